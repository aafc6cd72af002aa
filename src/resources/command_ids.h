#pragma once
// Numeric identifiers of the commands. Menus, accelerators and handlers meet on these numbers.

namespace cmd {

// The system's own commands.
inline constexpr int ListKill = 32774;        // force-terminate a task
inline constexpr int ListDelete = 32772;      // delete tasks
inline constexpr int ListEnableFalse = 32775; // disable tasks
inline constexpr int ListEnableTrue = 32776;  // enable tasks
inline constexpr int ListRun = 32777;         // run a task now
inline constexpr int Config = 32778;          // settings dialog
inline constexpr int ListChange = 32780;      // change a task
inline constexpr int Refresh = 32781;         // rebuild the list and write the task file
inline constexpr int ListAdd = 32783;         // add a task
inline constexpr int TrayShow = 32785;        // bring the main window back
inline constexpr int Startup = 32787;         // register or unregister the start-up entry
inline constexpr int ListHistory = 32790;     // the run history of a task
inline constexpr int HolidayImport = 32810;   // import a holiday file
inline constexpr int HolidayRevert = 32811;   // go back to the built-in holiday table
inline constexpr int HolidayList = 32812;     // the list of holidays and their sources

// Framework commands that the menus and accelerators carry.
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSave = 57603;
inline constexpr int EditCopy = 57634;
inline constexpr int EditCut = 57635;
inline constexpr int EditPaste = 57637;
inline constexpr int EditUndo = 57643;
inline constexpr int AppAbout = 57664;
inline constexpr int AppExit = 57665;
inline constexpr int NextPane = 57680;
inline constexpr int PrevPane = 57681;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;

} // namespace cmd
