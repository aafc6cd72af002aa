// The list view's pop-ups and its tray icon.

#include "ui/chorelin_view.h"

#include "store/trace.h"
#include "ui/status_notifier.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>

void CChorelinView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    OnContextMenu(event->globalPos());
}

void CChorelinView::OnContextMenu(const QPoint& globalPos) {
    tracef("OnContextMenu() X:%d Y:%d", globalPos.x(), globalPos.y());
    QMenu* menu = listMenu_;
    if (trayMenuFlag_ == 1) {
        trayMenuFlag_ = 0;
        menu = trayMenu_;
    } else {
        activateWindow();
        setFocus(Qt::PopupFocusReason);
    }
    menu->popup(globalPos);
}

void CChorelinView::onTrayRightClick(const QPoint& cursor) {
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const int left = topLeft.x();
    const int top = topLeft.y();
    const int right = left + width();
    const int bottom = top + height();
    // A hidden list cannot be the target of its own menu, so the tray menu is offered then,
    // wherever the list last stood.
    const bool inside = window()->isVisible() && left <= cursor.x() && cursor.x() <= right &&
                        top <= cursor.y() && cursor.y() <= bottom;
    const int flags = 1; // the tray icon's identifier
    if (inside) {
        tracef("右ﾏｳｽﾀﾞｳﾝ(外側)(nFlags=%d)　ｳｨﾝﾄﾞｳ位置(左:%d 右:%d 上:%d 下:%d)　ﾏｳｽﾎﾟｲﾝﾀ(X:%d "
               "Y:%d)",
               flags, left, right, top, bottom, cursor.x(), cursor.y());
        trayMenuFlag_ = 0;
    } else {
        tracef("右ﾏｳｽﾀﾞｳﾝ(内側)(nFlags=%d)　ｳｨﾝﾄﾞｳ位置(左:%d 右:%d 上:%d 下:%d)　ﾏｳｽﾎﾟｲﾝﾀ(X:%d "
               "Y:%d)",
               flags, left, right, top, bottom, cursor.x(), cursor.y());
        trayMenuFlag_ = 1;
    }
    OnContextMenu(cursor);
}

void CChorelinView::OnTrayShow() {
    traceLine("CChorelinView::OnTrayShow() Start");
    emit restoreRequested();
    traceLine("CChorelinView::OnTrayShow() End");
}

QString CChorelinView::trayToolTip() const {
    int count = 0;
    {
        TaskLockGuard guard(ctx_.taskLock);
        count = ctx_.taskCount;
    }
    return QStringLiteral("Chorelin\n%1 個のタスクが登録されています。").arg(count);
}

void CChorelinView::updateTrayTip() {
    if (tray_)
        tray_->setToolTip(trayToolTip());
}

void CChorelinView::addTrayIcon() {
    if (!tray_) {
        tray_ = new QSystemTrayIcon(appIcon_, this);
        tray_->setObjectName(QStringLiteral("trayIcon"));
        connect(tray_, &QSystemTrayIcon::activated, this, &CChorelinView::onTrayActivated);
    }
    updateTrayTip();
    tray_->show();
    statusNotifierTray_ = trayIsStatusNotifierItem();
    // A StatusNotifierItem host shows the menu the icon exports, and has no other to show. An
    // XEmbed tray gets none: Qt would open it on every right click there, where the view
    // decides between the tray menu and the list's own.
    if (statusNotifierTray_)
        tray_->setContextMenu(trayMenu_);
}

void CChorelinView::removeTrayIcon() {
    if (!tray_)
        return;
    tray_->hide();
    delete tray_;
    tray_ = nullptr;
}

void CChorelinView::onTrayActivated(QSystemTrayIcon::ActivationReason reason) {
    // Every notification re-applies the icon and its tip, as a tray that restarted may have
    // lost them.
    tray_->setIcon(appIcon_);
    updateTrayTip();
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        emit restoreRequested();
        break;
    case QSystemTrayIcon::Trigger:
        // A StatusNotifierItem host reports a click as activation and never as a double click;
        // on an XEmbed tray this is a single click, which does nothing.
        if (statusNotifierTray_)
            emit restoreRequested();
        break;
    case QSystemTrayIcon::Context:
        onTrayRightClick(QCursor::pos());
        break;
    default:
        break;
    }
}
