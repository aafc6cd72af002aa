#pragma once
// Command routing by numeric identifier.
//
// Every menu item and accelerator is a QAction that carries its command id (QAction::data()).
// Triggering one calls dispatch(id), which runs the one handler registered for that id. The
// main frame and the list view register their handlers with registerCommand(); later commands
// plug in the same way, by id, without touching the menus:
//
//     router.registerCommand(cmd::ListDelete, [this] { OnListDelete(); });
//
// As in a message-map framework, an item whose command has no handler is shown greyed and its
// accelerator does nothing; registering a handler enables every action of that id. Check marks
// come from setCheckState(): every menu built here asks its providers each time it is about to
// show, so one provider serves the same command in several menus.

#include "resources/menu_tables.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <span>
#include <vector>

class QAction;
class QMenu;
class QWidget;

class CommandRouter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    explicit CommandRouter(QObject* parent = nullptr);

    // Binds a handler to a command id, replacing any earlier one; an empty handler unbinds.
    void registerCommand(int id, Handler handler);
    bool hasHandler(int id) const;
    // Runs the handler of `id`. False when the command has no handler (nothing happens).
    bool dispatch(int id);

    // Makes the command checkable in every menu; `isChecked` is asked when a menu opens.
    void setCheckState(int id, std::function<bool()> isChecked);

    // Greys the command's items while `isEnabled` says no (asked when a menu opens); a command
    // without a handler is greyed whatever it says.
    void setEnabledState(int id, std::function<bool()> isEnabled);

    // A new action for command `id`: triggering it dispatches the id.
    QAction* createAction(int id, const QString& text, QObject* parent);
    // A pop-up built from a menu table; its items are actions of this router.
    QMenu* buildMenu(std::span<const menus::Item> items, const QString& title, QWidget* parent);
    // Enables the items that have handlers and sets the check marks (run before a menu shows).
    void updateMenu(QMenu* menu);

    // The command id an action carries, 0 for none.
    static int commandId(const QAction* action);

private:
    void refreshActions(int id);

    std::map<int, Handler> handlers_;
    std::map<int, std::function<bool()>> checks_;
    std::map<int, std::function<bool()>> enablers_;
    std::vector<QPointer<QAction>> actions_;
};
