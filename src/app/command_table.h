// The program's commands: their numbers, menu texts and the prompts the
// status bar and the tool tips show. Numbers are kept so that every command
// keeps one identity across the menus, the tool bar and the context menus.
#pragma once

#include <QString>

namespace vorel::app {

enum CommandId : int {
    kCmdFileNew = 57600,
    kCmdFileOpen = 57601,
    kCmdFileClose = 57602,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdFileMru1 = 57616,
    kCmdEditCopy = 57634,
    kCmdWindowArrange = 57649,
    kCmdWindowCascade = 57650,
    kCmdWindowTile = 57651,
    kCmdAppAbout = 57664,
    kCmdAppExit = 57665,
    kCmdHelpFinder = 57667,
    kCmdContextHelp = 57669,
    kCmdHelp = 57670,
    kCmdViewToolBar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdViewActual = 32770,
    kCmdViewFit = 32771,
    kCmdZoom25 = 32772,
    kCmdImageInfo = 32773,
    kCmdZoom50 = 32774,
    kCmdZoom75 = 32775,
    kCmdConnect = 32776,
    kCmdZoom150 = 32777,
    kCmdRotateLeft = 32778,
    kCmdRotateRight = 32779,
    kCmdPaletteOptimize = 32781,
    kCmdFlipVertical = 32782,
    kCmdMirror = 32783,
    kCmdZoom400 = 32784,
    kCmdZoom200 = 32785,
    kCmdCloseAll = 32787,
    kCmdSaveAll = 32789,
    kCmdAutoSize = 32790,
    kCmdSearchSettings = 32791,
    kCmdReplaceImage = 32792,
    kCmdEditUndo = 57643,
};

struct CommandText {
    QString menuText;  // with its "&" mnemonic and, where it has one, "\t" and the key
    QString prompt;    // the status-bar text while the command is highlighted
    QString toolTip;   // the tool-bar button's tip; empty when none
};

// Texts of a command as the image window's menu shows them.
CommandText TextOfCommand(int id);

// The message pane's text while nothing is highlighted.
QString IdleStatusText();

// The entry that stands in for the recent-file list while it is empty.
QString EmptyRecentFileText();

}  // namespace vorel::app
