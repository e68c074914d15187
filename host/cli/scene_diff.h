// What a command changed in the scene, as pellucid-host reports it after every click: the
// objects whose visibility differs between a picture taken before and one taken after.
#pragma once

#include <string>
#include <vector>

namespace host {

class Document;

// The state of each place of a document, in place order.
struct PlaceState {
    bool empty = true;
    std::string name;  // host text
    bool visible = false;
};
using SceneSnapshot = std::vector<PlaceState>;

SceneSnapshot TakeSnapshot(const Document& document);

// One line: "scene: no change", or "scene: " and the objects that were shown or hidden,
// "\"Floor\" hidden, \"Vise\" shown", in place order. Places that are empty on either side,
// or that exist on one side only, count as unchanged.
std::string DescribeChanges(const SceneSnapshot& before, const SceneSnapshot& after);

}  // namespace host
