// The rules of the stand-in host: every rule whose breach the host records (breaches.h),
// each with its stable id and one line on what it forbids. Code names a rule by its
// enumerator, so that a mistyped rule does not compile; programs and tests outside match
// breaches by the id.
//
// A rule marked forgiven is one that real hosts let pass without harm (they read any
// non-zero byte as true, ignore options a request does not take): the host still records
// its breach, and validate reports it as a warning rather than a failure.
#pragma once

#include <span>
#include <string_view>

namespace host {

// RULE(enumerator, id, forgiven, what it forbids)
#define PELLUCID_HOST_RULES(RULE)                                                                                    \
    RULE(kWidgetIdZero, "widget.id-zero", false, "a widget request on widget id 0, which names no widget")         \
    RULE(kWidgetUnknownId, "widget.unknown-id", false, "a widget id that never named a widget")                    \
    RULE(kWidgetDeleted, "widget.deleted", false, "a request on a widget that the plug-in deleted")                \
    RULE(kWidgetDeletedTwice, "widget.deleted-twice", false, "deleting a widget that is already deleted")          \
    RULE(kWidgetDeletedWithParent, "widget.deleted-with-parent", false,                                            \
         "a request on a widget that went when its parent was deleted")                                            \
    RULE(kWidgetNotOnIdZero, "widget.not-on-id-zero", true,                                                        \
         "Create, GetSystem or a message box sent on a widget id other than 0")                                    \
    RULE(kWidgetUnknownOp, "widget.unknown-op", false, "a widget operation code that the host does not have")      \
    RULE(kWidgetMissingOption, "widget.missing-option", false, "a widget request without an option it needs")      \
    RULE(kWidgetUnknownType, "widget.unknown-type", false, "creating a widget of a type the host does not have")   \
    RULE(kWidgetMainWindowDeleted, "widget.main-window-deleted", false, "deleting the host's own main window")     \
    RULE(kWidgetDeleteWithOptions, "widget.delete-with-options", true, "options given to Delete, which takes none") \
    RULE(kWidgetNotAContainer, "widget.not-a-container", false, "adding a child to a button")                      \
    RULE(kWidgetWindowAsChild, "widget.window-as-child", false, "a window added as a frame's child")               \
    RULE(kWidgetInsideItself, "widget.inside-itself", false, "a widget placed inside itself or its own children")  \
    RULE(kWidgetAlreadyPlaced, "widget.already-placed", false, "adding a widget that already has a parent")        \
    RULE(kWidgetNotPlacedThere, "widget.not-placed-there", false, "removing a child from a widget that is not its parent") \
    RULE(kWidgetNotAWindow, "widget.not-a-window", false, "AddChildWindow on a widget that is not a window")       \
    RULE(kWidgetNotAChildWindow, "widget.not-a-child-window", false, "AddChildWindow of a widget that is not a window") \
    RULE(kWidgetNotOneKey, "widget.not-one-key", false, "GetValue or SetValue with other than one property key")   \
    RULE(kWidgetUnknownProperty, "widget.unknown-property", false, "a property key that the host does not have")   \
    RULE(kWidgetPropertyOfOtherType, "widget.property-of-other-type", false,                                       \
         "a property of another widget type than the widget's")                                                    \
    RULE(kWidgetReadOnly, "widget.read-only", false, "setting a property that can only be read")                   \
    RULE(kWidgetWriteOnly, "widget.write-only", false, "reading a property that can only be set")                  \
    RULE(kWidgetNoValue, "widget.no-value", false, "a property request without the value or the storage it needs") \
    RULE(kWidgetBoolNot0Or1, "widget.bool-not-0-or-1", true, "a one-byte boolean other than 0 or 1")               \
    RULE(kWidgetBadValue, "widget.bad-value", false, "a property value outside what the property takes")           \
    RULE(kWidgetUnknownSystemValue, "widget.unknown-system-value", false, "GetSystem of a value the host does not have") \
    RULE(kBoxBadType, "box.bad-type", false, "a message box whose \"type\" is not the message box type")          \
    RULE(kBoxUnknownKind, "box.unknown-kind", false, "a message box of a kind the host does not have")             \
    RULE(kBoxParentNotWindow, "box.parent-not-window", false, "a message box whose parent is not a shown window")  \
    RULE(kBoxMissingOption, "box.missing-option", false, "a message box without its message or its result")        \
    RULE(kDocumentClosed, "document.closed", false, "a document handle used after the host closed the document")   \
    RULE(kObjectClosedDocument, "object.closed-document", false, "an object of a document that the host closed")   \
    RULE(kXmlUnknownElement, "xml.unknown-element", false, "an XML element handle that the host did not give")     \
    RULE(kXmlNotAChild, "xml.not-a-child", false, "removing an XML element from another than its parent")          \
    RULE(kXmlBadName, "xml.bad-name", false, "an element or attribute name that XML does not allow")               \
    RULE(kXmlMissingField, "xml.missing-field", false, "an XML request without the name or value it needs")        \
    RULE(kXmlUnknownOp, "xml.unknown-op", false, "an XML operation code that the host does not have")              \
    RULE(kXmlNoRecord, "xml.no-record", false, "an XML request without its record")                                \
    RULE(kMessageNoRecord, "message.no-record", false, "a host message without its record")                        \
    RULE(kMessageNoData, "message.no-data", false, "a host message without the data it carries")                   \
    RULE(kMessageUnknownCode, "message.unknown-code", false, "a host message number that the host does not have")

enum class Rule {
#define PELLUCID_RULE_ENUMERATOR(name, id, forgiven, forbids) name,
    PELLUCID_HOST_RULES(PELLUCID_RULE_ENUMERATOR)
#undef PELLUCID_RULE_ENUMERATOR
};

struct RuleInfo {
    Rule rule;
    const char* id;       // "widget.unknown-id"
    bool forgiven;        // real hosts let it pass: a warning in validate
    const char* forbids;  // one line
};

// Every rule, in the order of the list.
std::span<const RuleInfo> AllRules();
const RuleInfo& InfoOf(Rule rule);
inline const char* IdOf(Rule rule) { return InfoOf(rule).id; }
// The rule with the id `id`, or null.
const RuleInfo* FindRule(std::string_view id);

}  // namespace host
