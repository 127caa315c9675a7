// Gives the widgets of one class an accessible interface of the program's own, which a screen reader
// then meets in place of Qt's.
#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>

namespace pindle {

// Installs, once per widget class, the factory that hands TInterface(widget) for every TWidget,
// subclasses included. Call it from the widget's constructor.
template <typename TWidget, typename TInterface>
void InstallAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& /*className*/, QObject* object) -> QAccessibleInterface* {
            if (auto* widget = dynamic_cast<TWidget*>(object))
                return new TInterface(widget);
            return nullptr;
        });
        return true;
    }();
    (void)installed;
}

}  // namespace pindle
