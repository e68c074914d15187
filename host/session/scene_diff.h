// What a command changed in the scene, as pellucid-host reports it after every click: the
// objects whose visibility differs between a picture taken before and one taken after.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace host {

class Document;
class Object;

// The state of each place of a document, in place order. A snapshot is taken before and
// after every click, on scenes of hundreds of thousands of objects: it copies no names.
struct PlaceState {
    const Object* object = nullptr;  // null for an empty place; valid while the document is unchanged
    bool visible = false;
};
using SceneSnapshot = std::vector<PlaceState>;

SceneSnapshot TakeSnapshot(const Document& document);

// The most objects a report of changes names one by one.
constexpr size_t kChangesNamed = 8;

// `after` is taken of the document as it is now.
// One line: "scene: no change", or "scene: " and the objects that were shown or hidden,
// "\"Floor\" hidden, \"Vise\" shown", in place order. Past kChangesNamed objects the line
// counts them and names the first few: "scene: 10000 objects changed (0 shown, 10000
// hidden), the first 8: ..., and 9992 more". Places that are empty on either side, or
// that exist on one side only, count as unchanged.
std::string DescribeChanges(const SceneSnapshot& before, const SceneSnapshot& after);

}  // namespace host
