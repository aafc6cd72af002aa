#pragma once
// The menus as the user sees them. An entry with id 0 is a separator. Captions are UTF-8.
//
// The stored main menu also had a "表示(&V)" pop-up (toolbar, status bar, refresh, show) and the
// force-terminate item in the task pop-up; the main window has neither toolbar nor status bar,
// refresh lives on F5 and showing the window on the tray, so those items are not built at all.
// Likewise the list context menu never offers force-terminate.

#include "resources/command_ids.h"

#include <span>

namespace menus {

struct Item {
    int id; // 0: separator
    const char* caption;
};

struct Popup {
    const char* title;
    std::span<const Item> items;
};

inline constexpr Item kSeparator{0, ""};

inline constexpr Item kFileItems[] = {
    {cmd::Config, "環境設定(&C)"},
    {cmd::Startup, "スタートアップに登録"},
    kSeparator,
    {cmd::HolidayImport, "祝日データの読み込み(&L)..."},
    {cmd::HolidayRevert, "組み込みの祝日表に戻す"},
    {cmd::HolidayList, "祝日の一覧..."},
    kSeparator,
    {cmd::AppExit, "アプリケーションの終了(&X)"},
};

// The task commands, shared by the task pop-up of the main menu and the list context menu.
inline constexpr Item kTaskItems[] = {
    {cmd::ListAdd, "タスクの追加"},
    kSeparator,
    {cmd::ListChange, "タスクの変更"},
    {cmd::ListDelete, "タスクの削除"},
    kSeparator,
    {cmd::ListEnableFalse, "タスクを無効にする"},
    {cmd::ListEnableTrue, "タスクを有効にする"},
    kSeparator,
    {cmd::ListRun, "今すぐタスクを実行"},
    kSeparator,
    {cmd::ListHistory, "実行履歴(&H)..."},
};

inline constexpr Item kHelpItems[] = {
    {cmd::AppAbout, "バージョン情報(&A)..."},
};

inline constexpr Popup kMainMenu[] = {
    {"ファイル(&F)", kFileItems},
    {"タスク(&T)", kTaskItems},
    {"ヘルプ(&H)", kHelpItems},
};

inline constexpr std::span<const Item> kListContextMenu = kTaskItems;

inline constexpr Item kTrayMenu[] = {
    {cmd::Startup, "スタートアップに登録"},
    {cmd::TrayShow, "タスクの表示"},
    kSeparator,
    {cmd::AppExit, "アプリケーションの終了"},
};

} // namespace menus
