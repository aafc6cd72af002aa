#include "ui/command_router.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

CommandRouter::CommandRouter(QObject* parent) : QObject(parent) {}

void CommandRouter::registerCommand(int id, Handler handler) {
    if (handler)
        handlers_[id] = std::move(handler);
    else
        handlers_.erase(id);
    refreshActions(id);
}

bool CommandRouter::hasHandler(int id) const {
    return handlers_.count(id) != 0;
}

bool CommandRouter::dispatch(int id) {
    const auto it = handlers_.find(id);
    if (it == handlers_.end())
        return false;
    // A copy: the handler may register or unregister commands while it runs.
    const Handler handler = it->second;
    handler();
    return true;
}

void CommandRouter::setEnabledState(int id, std::function<bool()> isEnabled) {
    // Asked when a menu opens, not now: the answer may change at any time.
    if (isEnabled)
        enablers_[id] = std::move(isEnabled);
    else
        enablers_.erase(id);
}

void CommandRouter::setCheckState(int id, std::function<bool()> isChecked) {
    if (isChecked)
        checks_[id] = std::move(isChecked);
    else
        checks_.erase(id);
    refreshActions(id);
}

QAction* CommandRouter::createAction(int id, const QString& text, QObject* parent) {
    auto* action = new QAction(text, parent);
    action->setData(id);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    connect(action, &QAction::triggered, this, [this, id] { dispatch(id); });
    actions_.erase(std::remove_if(actions_.begin(), actions_.end(),
                                  [](const QPointer<QAction>& a) { return a.isNull(); }),
                   actions_.end());
    actions_.emplace_back(action);
    refreshActions(id);
    return action;
}

QMenu* CommandRouter::buildMenu(std::span<const menus::Item> items, const QString& title,
                                QWidget* parent) {
    auto* menu = new QMenu(title, parent);
    for (const menus::Item& item : items) {
        if (item.id == 0)
            menu->addSeparator();
        else
            menu->addAction(createAction(item.id, QString::fromUtf8(item.caption), menu));
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateMenu(menu); });
    return menu;
}

void CommandRouter::updateMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (const int id = commandId(action))
            refreshActions(id);
    }
}

int CommandRouter::commandId(const QAction* action) {
    return action ? action->data().toInt() : 0;
}

void CommandRouter::refreshActions(int id) {
    const auto enabler = enablers_.find(id);
    const bool enabled = hasHandler(id) && (enabler == enablers_.end() || enabler->second());
    const auto check = checks_.find(id);
    const bool checkable = check != checks_.end();
    const bool checked = checkable && check->second();
    for (const QPointer<QAction>& action : actions_) {
        if (action.isNull() || commandId(action) != id)
            continue;
        action->setEnabled(enabled);
        action->setCheckable(checkable);
        action->setChecked(checked);
    }
}
