// The platform's own notification-icon record, built from the 88-byte ANSI form.
#pragma once

#include "platform/notify_icon.h"
#include "platform/win32/native.h"

namespace rn::win32 {

// The record of this build's bitness in its first (version 1) layout, whose
// tip has the 64 characters of the ANSI form; handles widened back to pointers.
NOTIFYICONDATAA NativeNotifyRecord(const NotifyRecordBytes& bytes);

}  // namespace rn::win32
