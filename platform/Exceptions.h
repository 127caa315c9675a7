// The program's error classes: every error is an Exception whose what() is the message shown to the user.
#pragma once

#include <exception>
#include <string>

namespace pindle {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    [[nodiscard]] const char* what() const noexcept override { return message_.c_str(); }
    [[nodiscard]] const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// A failed file operation; ErrorCode is the operating system's error number (0 when there is none).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// A text that does not convert to the value asked for (a colour text that is not hexadecimal).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// An empty handler given to a notification chain.
class ESynMethodChain : public Exception {
public:
    using Exception::Exception;
};

// Assigning an object from one of another kind.
class EConvertAssignError : public Exception {
public:
    using Exception::Exception;
};

// A duplicate entry refused by a list that does not accept duplicates.
class EStringListError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace pindle
