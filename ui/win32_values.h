#pragma once
// The window-system vocabulary the framework speaks: message numbers, control
// notifications, styles, command ids and flags, with their Win32 values. Both back
// ends use these numbers, so that what the program sends is what Win32 receives.
#include <cstdint>

namespace ui {

// Window messages.
constexpr std::uint32_t kWmDestroy = 0x0002, kWmSetText = 0x000C, kWmGetText = 0x000D,
                        kWmGetTextLength = 0x000E, kWmPaint = 0x000F, kWmClose = 0x0010,
                        kWmIconEraseBkgnd = 0x0027, kWmSetFont = 0x0030, kWmGetFont = 0x0031,
                        kWmQueryDragIcon = 0x0037, kWmSetIcon = 0x0080, kWmGetIcon = 0x007F,
                        kWmNcDestroy = 0x0082, kWmInitDialog = 0x0110, kWmCommand = 0x0111,
                        kWmSysCommand = 0x0112;
// Dialog messages.
constexpr std::uint32_t kDmGetDefId = 0x0400;
constexpr std::uint32_t kDcHasDefId = 0x534B;
// Edit control messages.
constexpr std::uint32_t kEmGetSel = 0x00B0, kEmSetSel = 0x00B1, kEmScrollCaret = 0x00B7,
                        kEmReplaceSel = 0x00C2, kEmSetLimitText = 0x00C5, kEmGetLimitText = 0x00D5;
// Button messages and states.
constexpr std::uint32_t kBmGetCheck = 0x00F0, kBmSetCheck = 0x00F1;
constexpr std::uintptr_t kBstUnchecked = 0, kBstChecked = 1;
// Notification codes (high word of WM_COMMAND's wParam).
constexpr std::uint16_t kBnClicked = 0;

// Command ids of the standard buttons, and the framework's Help command.
constexpr std::uint16_t kIdOk = 1, kIdCancel = 2;
constexpr std::uint16_t kIdHelp = 0xE146;

// System commands (WM_SYSCOMMAND's wParam; the low four bits are the system's own).
constexpr std::uint32_t kScMove = 0xF010, kScMinimize = 0xF020, kScClose = 0xF060, kScRestore = 0xF120;

// Message box types and answers.
constexpr std::uint32_t kMbOk = 0x0, kMbIconExclamation = 0x30, kMbIconMask = 0xF0, kMbSetForeground = 0x10000;
constexpr int kIdOkAnswer = 1;

// Menu item flags.
constexpr std::uint32_t kMfString = 0x0, kMfSeparator = 0x800;

// WM_SETICON kinds and system metrics.
constexpr std::uintptr_t kIconSmall = 0, kIconBig = 1;
constexpr int kSmCxIcon = 11, kSmCyIcon = 12;

// InitCommonControlsEx: the Windows 95 control classes.
constexpr std::uint32_t kIccWin95Classes = 0xFF;

// Window, dialog and control styles.
constexpr std::uint32_t kWsPopup = 0x80000000u, kWsVisible = 0x10000000u, kWsCaption = 0x00C00000u,
                        kWsBorder = 0x00800000u, kWsVScroll = 0x00200000u, kWsHScroll = 0x00100000u,
                        kWsSysMenu = 0x00080000u, kWsGroup = 0x00020000u, kWsTabStop = 0x00010000u,
                        kWsMinimizeBox = 0x00020000u, kWsMaximizeBox = 0x00010000u;
constexpr std::uint32_t kWsExAppWindow = 0x00040000u;
constexpr std::uint32_t kDsModalFrame = 0x80u, kDsSetFont = 0x40u;
constexpr std::uint32_t kBsPushButton = 0x0, kBsDefPushButton = 0x1, kBsGroupBox = 0x7,
                        kBsAutoRadioButton = 0x9, kBsTypeMask = 0xF;
constexpr std::uint32_t kEsCenter = 0x1, kEsMultiLine = 0x4, kEsAutoVScroll = 0x40, kEsAutoHScroll = 0x80,
                        kEsReadOnly = 0x800;
constexpr std::uint32_t kSsLeft = 0x0, kSsIcon = 0x3, kSsNoPrefix = 0x80;

// Packing of message parameters, as the Win32 macros do it.
constexpr std::uintptr_t makeWParam(std::uint16_t low, std::uint16_t high) {
  return static_cast<std::uintptr_t>(low) | (static_cast<std::uintptr_t>(high) << 16);
}
constexpr std::uint16_t lowWord(std::uintptr_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
constexpr std::uint16_t highWord(std::uintptr_t v) { return static_cast<std::uint16_t>((v >> 16) & 0xFFFF); }

// WM_COMMAND's wParam: whether it carries command (or control) id with notification
// (a button's click by default).
constexpr bool isCommand(std::uint32_t message, std::uintptr_t wParam, std::uint16_t id,
                         std::uint16_t notification = kBnClicked) {
  return message == kWmCommand && lowWord(wParam) == id && highWord(wParam) == notification;
}

}  // namespace ui
