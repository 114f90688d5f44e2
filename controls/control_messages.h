#pragma once

#include "platform/ws/types.h"

// Messages the controls post among themselves; the window system never sends them.
namespace vx::controls {

// To a controller's message window; lParam carries the handle of the control
// concerned, never a pointer, so a message outliving its control is dropped.
inline constexpr ws::MessageId MSG_FOCUS_CONTROL = 0x7F01;
// wParam: the handle of the control losing (or gaining) the focus, or 0.
inline constexpr ws::MessageId MSG_PRE_EDIT = 0x7F06;
inline constexpr ws::MessageId MSG_POST_EDIT = 0x7F07;
// The low word of wParam is the notify code.
inline constexpr ws::MessageId MSG_DELAY_NOTIFY = 0x7F0A;

// To an entry field from itself: wParam the error code to show.
inline constexpr ws::MessageId MSG_REPORT_ERROR = 0x7F00;
// Answered by an entry field with the size of its value.
inline constexpr ws::MessageId MSG_GET_DATA_SIZE = 0x7F03;

// To a control from itself or its attached label.
inline constexpr ws::MessageId MSG_AFTER_ENTER = 0x7F08;
inline constexpr ws::MessageId MSG_AFTER_EXIT = 0x7F09;
inline constexpr ws::MessageId MSG_POSITION_LABEL = 0x7F0B;
// lParam: the label's handle.
inline constexpr ws::MessageId MSG_ATTACH_LABEL = 0x7F0C;

}  // namespace vx::controls
