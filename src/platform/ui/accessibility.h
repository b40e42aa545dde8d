#pragma once
// The accessibility tree a widget publishes: nodes with a stable identifier, a role, states, a
// label and a rectangle, and the semantic actions assistive technology may ask of a node.
// Plain values, rebuilt on request on the UI thread.

#include "platform/ui/geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace ruvo_ui {

enum class AccessRole {
    Window,
    Group,
    Button,
    ToggleButton,
    TextField,          // single line
    MultilineTextField, // multi-line
    Menu,
    MenuItem,
    List,
    ListItem,
    Heading,
    Label,
    Image,
};

struct AccessStates {
    bool focused = false;
    bool disabled = false;
    bool selected = false;
    std::optional<bool> pressed;  // toggle buttons
    std::optional<bool> expanded; // things that open and close
    bool destructive = false;

    bool operator==(const AccessStates&) const = default;
};

struct AccessNode {
    std::string id;
    AccessRole role = AccessRole::Group;
    std::string label;
    std::string description;
    std::string value; // text of a text field
    std::vector<std::string> tags;
    Rect rect;
    AccessStates states;
    std::vector<AccessNode> children;

    // Depth-first search by identifier.
    const AccessNode* find(std::string_view node_id) const;
};

enum class SemanticAction {
    Default, // the node's primary action (press a button, choose a menu item)
    Click,
    Focus,
    SetValue,    // replace a text field's whole text with `text`
    ReplaceText, // replace bytes [start, end) of a text field's text with `text`
    Dismiss,     // close a menu or popover
};

struct SemanticRequest {
    SemanticAction action = SemanticAction::Default;
    std::string text;
    std::size_t start = 0;
    std::size_t end = 0;
};

} // namespace ruvo_ui
