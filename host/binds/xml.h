// The stand-in host's XML element trees: the plug-in settings and the plug-in elements of
// documents are both held in them, and MQXmlElem_Value works on them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

// One element: a name, a text, attributes in the order they were first set, and children
// in order. Children are linked as a list with parent and sibling links, so that adding,
// removing and stepping to the next sibling each cost constant time whatever the number of
// children. An element owns its children; a pointer to an element stays valid until the
// element is removed or its tree is destroyed, which makes it usable as the handle that
// the plug-in holds.
//
// Names and texts are UTF-8. An empty text is no text: the host hands out none for it.
class XmlElement {
public:
    using Attribute = std::pair<std::string, std::string>;

    explicit XmlElement(std::string name);
    // Frees the whole subtree without recursion, so neither a long run of siblings nor a
    // deep nesting can exhaust the stack.
    ~XmlElement();
    XmlElement(const XmlElement&) = delete;
    XmlElement& operator=(const XmlElement&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }

    const std::vector<Attribute>& Attributes() const { return attributes_; }
    // The value of the attribute `name`, or null when there is none.
    const std::string* FindAttribute(std::string_view name) const;
    // Replaces the value in place when the attribute exists, else appends it.
    void SetAttribute(std::string_view name, std::string value);

    XmlElement* Parent() const { return parent_; }
    XmlElement* FirstChild() const { return first_child_; }
    XmlElement* LastChild() const { return last_child_; }
    XmlElement* NextSibling() const { return next_; }
    XmlElement* PreviousSibling() const { return previous_; }
    size_t ChildCount() const { return child_count_; }

    // The first child named `name`, or null.
    XmlElement* FindChild(std::string_view name) const;
    // The first sibling after this one named `name`, or null.
    XmlElement* FindNextSibling(std::string_view name) const;

    // Adds a child at the end of the children and returns it.
    XmlElement& AppendChild(std::string name);
    XmlElement& AppendChild(std::unique_ptr<XmlElement> child);
    // Unlinks `child`, which must be a child of this element, and hands it over.
    std::unique_ptr<XmlElement> DetachChild(XmlElement* child);
    // Removes `child` with its subtree; false, and nothing changes, when it is not a child
    // of this element.
    bool RemoveChild(XmlElement* child);
    void RemoveAllChildren();

    // Whether `handle` points to an element that exists now. The host checks every handle
    // that the plug-in passes before it touches it.
    static bool IsLive(const void* handle);
    // Whether `name` can name an element or attribute in an XML file: a letter, '_', ':'
    // or a non-ASCII byte first, then those, digits, '-' and '.'.
    static bool IsValidName(std::string_view name);

private:
    std::string name_;
    std::string text_;
    std::vector<Attribute> attributes_;
    XmlElement* parent_ = nullptr;
    XmlElement* first_child_ = nullptr;  // owned, with every sibling after it
    XmlElement* last_child_ = nullptr;
    XmlElement* next_ = nullptr;
    XmlElement* previous_ = nullptr;
    size_t child_count_ = 0;
};

// ---- MQXmlElem_Value's state -----------------------------------------------------------

// Drops the strings handed out to the plug-in; part of the host's reset.
void ResetXmlHandouts();

// One call of MQXmlElem_Value (see its export), journalled, with its breaches registered.
void PerformXmlCall(void* element, int32_t op, void* record);

}  // namespace host
