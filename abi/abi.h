// The whole C boundary between the host modeller and a plug-in, for code that meets it
// on many sides.
//
// The contract that every call across it keeps, on both sides:
//
// One thread. The host calls the plug-in's exports, MQOnEvent and the widget event
// procedure on its own thread, one call at a time, and the plug-in calls the host only
// from inside such a call or while the host unloads it, on the same thread. The plug-in
// starts no threads and takes no lock for the boundary's sake.
//
// Calls that may call back. MQWidget_Value may deliver other events to the plug-in before
// it returns, widget events and numbered events alike: a message box runs the host's
// loop until it is answered, and any other widget operation (a create, a delete, a get or
// set of a property) may raise events from inside it. Such an event may load a document,
// stop or start the plug-in, or delete widgets, so a caller treats the window, the widget
// and the document it held before the call as possibly gone once it returns. No other
// host function calls back: the document and object functions (MQDoc_*, MQObj_*), the XML
// operations (MQXmlElem_Value) and messages (MQ_SendMessage) return without entering the
// plug-in, so a walk over a document's objects or a slot list needs no such care.
//
// How long a text lives. A text the host hands out in an XML record (an element's text,
// an attribute's value) stays valid until the plug-in's next call into the host; the
// plug-in copies it at once. The texts and handles of an event's option array are valid
// for the length of that event's call. A text or record that the plug-in passes in is
// read during the call and not kept: the host copies what it keeps. A handle (document,
// object, element) is the host's and is never freed by the plug-in; a widget id names its
// widget until the widget is deleted, after which the host may give it to a new one.
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
