#include "GatedConnect.h"

#include <QAbstractButton>
#include <QAction>
#include <QVariant>

namespace kelvane {

void MarkGated(QObject* control, const char* commandName) {
    control->setProperty(kGatedCommandProperty, QString::fromLatin1(commandName));
}

QString GatedCommandOf(const QObject* control) {
    return control->property(kGatedCommandProperty).toString();
}

void ConnectGated(CommandGate& gate, QAbstractButton* button, Command command,
                  std::function<void()> body) {
    MarkGated(button, CommandName(command));
    QObject::connect(
        button, &QAbstractButton::clicked, button,
        [&gate, command, body = std::move(body)] { gate.Run(command, Origin::User, body); });
}

void ConnectGated(CommandGate& gate, QAction* action, Command command, std::function<void()> body) {
    MarkGated(action, CommandName(command));
    QObject::connect(action, &QAction::triggered, action, [&gate, command, body = std::move(body)] {
        gate.Run(command, Origin::User, body);
    });
}

}  // namespace kelvane
