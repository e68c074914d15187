// The whole C boundary between the host modeller and a plug-in, for code that meets it
// on many sides.
#pragma once

#include "abi/events.h"
#include "abi/exports.h"
#include "abi/host_functions.h"
#include "abi/message_box.h"
#include "abi/messages.h"
#include "abi/mouse.h"
#include "abi/objects.h"
#include "abi/records.h"
#include "abi/widget_events.h"
#include "abi/widget_keys.h"
#include "abi/widget_ops.h"
#include "abi/xml_ops.h"
