// Notification handlers made of an object and one of its methods. Two handlers are equal when they
// name the same object and the same method, which is what lets a chain remove a registration by
// handing in an equal handler.
#pragma once

#include <array>
#include <cstring>
#include <type_traits>

namespace pindle {

// The type-erased part shared by every TMethod, so that a chain can hold handlers of any signature.
class TMethodBase {
public:
    // A handler without an object or without a method is empty and is never called.
    [[nodiscard]] explicit operator bool() const noexcept { return object_ != nullptr && invoker_ != nullptr; }
    [[nodiscard]] bool IsEmpty() const noexcept { return !static_cast<bool>(*this); }
    [[nodiscard]] void* Object() const noexcept { return object_; }

    friend bool operator==(const TMethodBase&, const TMethodBase&) noexcept = default;

protected:
    // Itanium and MSVC member-function pointers of single-inheritance classes fit in two words.
    using TMemberBytes = std::array<unsigned char, 2 * sizeof(void*)>;
    using TErasedInvoker = void (*)();

    void* object_ = nullptr;
    TErasedInvoker invoker_ = nullptr;
    TMemberBytes member_{};
};

template <typename... Args>
class TMethod : public TMethodBase {
public:
    TMethod() = default;

    template <class C>
    TMethod(C* object, void (C::*method)(Args...)) noexcept
    {
        Bind<C, decltype(method)>(object, method);
    }

    template <class C>
    TMethod(const C* object, void (C::*method)(Args...) const) noexcept
    {
        Bind<const C, decltype(method)>(object, method);
    }

    // Recovers a typed handler from a chain's stored entry; the caller knows the signature.
    static TMethod FromBase(const TMethodBase& base) noexcept
    {
        TMethod result;
        static_cast<TMethodBase&>(result) = base;
        return result;
    }

    // Calls the method; an empty handler does nothing.
    void operator()(Args... args) const
    {
        if (IsEmpty())
            return;
        reinterpret_cast<TInvoker>(invoker_)(object_, member_.data(), args...);
    }

private:
    using TInvoker = void (*)(void*, const unsigned char*, Args...);

    template <class C, class M>
    void Bind(C* object, M method) noexcept
    {
        static_assert(sizeof(M) <= sizeof(TMemberBytes), "member pointer too large for a handler");
        if (object == nullptr || method == nullptr)
            return;
        object_ = const_cast<void*>(static_cast<const void*>(object));
        std::memcpy(member_.data(), &method, sizeof(M));
        TInvoker invoker = &Invoke<C, M>;
        invoker_ = reinterpret_cast<TErasedInvoker>(invoker);
    }

    template <class C, class M>
    static void Invoke(void* object, const unsigned char* bytes, Args... args)
    {
        M method;
        std::memcpy(&method, bytes, sizeof(M));
        (static_cast<C*>(object)->*method)(args...);
    }
};

// MakeMethod(&editor, &TEditor::Changed): the object may be of a class derived from the method's class.
template <class O, class C, typename... Args>
[[nodiscard]] TMethod<Args...> MakeMethod(O* object, void (C::*method)(Args...)) noexcept
{
    static_assert(std::is_base_of_v<C, O>, "the method must belong to the object's class");
    return TMethod<Args...>(static_cast<C*>(object), method);
}

template <class O, class C, typename... Args>
[[nodiscard]] TMethod<Args...> MakeMethod(const O* object, void (C::*method)(Args...) const) noexcept
{
    static_assert(std::is_base_of_v<C, O>, "the method must belong to the object's class");
    return TMethod<Args...>(static_cast<const C*>(object), method);
}

}  // namespace pindle
