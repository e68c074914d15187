#include "host/serve/served_host.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <filesystem>
#include <iostream>

#include "abi/message_box.h"
#include "abi/widget_ops.h"
#include "host/binds/widgets/widgets.h"
#include "host/drive/widget_queries.h"
#include "host/files/scene_file.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"

namespace host::serve {
namespace {

using nlohmann::json;

// How much of the session's output and of the journal the side panel keeps.
constexpr size_t kOutputLines = 400;
constexpr size_t kJournalCalls = 300;

// The last `count` lines of `lines` (all of them when it holds fewer).
json LastLines(const std::deque<std::string>& lines, uint64_t count) {
    size_t take = static_cast<size_t>(std::min<uint64_t>(count, lines.size()));
    return json(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(take), lines.end()));
}

// A JSON object's text with `"objects": [...]` put first, when there are any or `always`:
// the objects come as text, since a scene of 10^5 objects as JSON nodes would cost far
// more than the rest of the state.
std::string WithObjects(const std::string& objects, const json& rest, bool always) {
    std::string text = rest.dump(-1, ' ', false, json::error_handler_t::replace);
    if (objects.empty() && !always) return text;
    std::string whole = "{\"objects\":[" + objects + "]";
    whole += text.size() > 2 ? "," + text.substr(1) : "}";
    return whole;
}

Reply Refuse(int status, std::string error) {
    Reply reply;
    reply.status = status;
    reply.body["error"] = std::move(error);
    return reply;
}

// The request's field `key` when it has the type `is` checks; null otherwise.
const json* Field(const json& request, const char* key, bool (json::*is)() const) {
    auto found = request.find(key);
    return found != request.end() && ((*found).*is)() ? &*found : nullptr;
}

// An optional flag: absent is false; present, it must be a boolean.
bool Flag(const json& request, const char* key, bool* value) {
    auto found = request.find(key);
    if (found == request.end()) return (*value = false), true;
    if (!found->is_boolean()) return false;
    *value = found->get<bool>();
    return true;
}

// A whole number that fits a host int32.
bool Int32(const json& request, const char* key, int32_t* value) {
    const json* field = Field(request, key, &json::is_number_integer);
    if (field == nullptr) return false;
    int64_t number = field->get<int64_t>();
    if (number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

// A widget and what it holds, with the size the host lays it out at: "size" is its
// justsize (for a window the outer size), "inner" for a window the size inside its border.
json WidgetJson(const Widget& widget) {
    std::array<int32_t, 4> size = TheWidgets().JustSize(widget.id);
    json node = {{"id", widget.id},
                 {"type", widget.type},
                 {"visible", widget.visible},
                 {"size", {size[0], size[1]}},
                 {"outspace", widget.outspace}};
    if (widget.type == MQWIDGET_TYPE_BUTTON) {
        node["text"] = widget.TextUtf8();
        node["down"] = widget.down;
    } else {
        node["alignment"] = widget.alignment;
        node["columns"] = widget.matrixcolumn;
        node["inspace"] = widget.inspace;
    }
    if (widget.type == MQWIDGET_TYPE_WINDOW) {
        node["title"] = widget.TitleUtf8();
        node["x"] = widget.pos_x;
        node["y"] = widget.pos_y;
        node["inner"] = {size[2], size[3]};
        node["closebutton"] = widget.closebutton;
    }
    node["children"] = json::array();
    for (int32_t id : widget.children) {
        if (const Widget* child = TheWidgets().Find(id)) node["children"].push_back(WidgetJson(*child));
    }
    return node;
}

// The window a widget sits in, 0 when none.
int32_t WindowOf(int32_t id) {
    for (const Widget* widget = TheWidgets().Find(id); widget != nullptr; widget = TheWidgets().Find(widget->parent)) {
        if (widget->type == MQWIDGET_TYPE_WINDOW) return widget->id;
    }
    return 0;
}

std::vector<std::string> SceneFiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
        std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && ServedHost::IsSceneName(name)) files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

ServedHost::ServedHost(HostThread& thread, std::function<void(uint64_t, std::string)> publish)
    : thread_(thread), publish_(std::move(publish)), session_(out_, nullptr) {}

bool ServedHost::Start(const SessionOptions& options) {
    // The side panel shows the journal's latest calls, so the host keeps those and counts
    // the rest: a click on a big scene makes millions.
    TheJournal().SetRecording(true);
    TheJournal().SetLimit(kJournalCalls);
    bool started = session_.Start(options);
    Collect();
    if (!started) return false;
    scene_name_ = std::filesystem::path(options.scene_file).filename().string();
    TheWidgets().SetAnswerer([this](const MessageBoxRequest& box) { return Ask(box.title, box.message); });
    Publish();
    return true;
}

void ServedHost::Finish() {
    session_.Finish();
    Collect();
}

std::optional<int32_t> ServedHost::Ask(const std::string& title, const std::string& message) {
    int64_t id = next_question_++;
    questions_.push_back(Question{id, title, message, std::nullopt});
    Collect();
    Publish();
    auto mine = [this, id] {
        return std::find_if(questions_.begin(), questions_.end(), [id](const Question& q) { return q.id == id; });
    };
    thread_.RunUntil([&] { return mine()->answer.has_value(); });
    std::optional<int32_t> answer = mine()->answer;
    questions_.erase(mine());
    Publish();
    return answer;
}

std::vector<std::string> ServedHost::Collect() {
    std::vector<std::string> lines;
    std::istringstream printed(out_.str());
    out_.str("");
    for (std::string line; std::getline(printed, line);) {
        std::cout << line << "\n";
        lines.push_back(line);
        output_.push_back(line);
        ++output_lines_;
        if (output_.size() > kOutputLines) output_.pop_front();
    }
    std::cout.flush();
    for (const HostCall& call : TheJournal().Calls()) {
        journal_.push_back(call.Text());
        if (journal_.size() > kJournalCalls) journal_.pop_front();
    }
    journal_calls_ += TheJournal().Calls().size() + TheJournal().Dropped();
    TheJournal().Clear();
    return lines;
}

ServedHost::Place ServedHost::PlaceOf(int32_t place) const {
    Place view;
    const Document* document = session_.document();
    const Object* object = document != nullptr ? document->ObjectAt(place) : nullptr;
    if (object != nullptr) {
        view.empty = false;
        view.visible = object->visible();
        view.counted = object->counted();
        view.name = object->name();
    }
    return view;
}

namespace {

// One object of the state's "objects", appended to `out` after a comma when it is not the first.
void AppendPlace(std::string& out, int32_t place, bool empty, bool visible, bool counted, const std::string& name) {
    if (!out.empty()) out += ',';
    out += "{\"place\":" + std::to_string(place);
    if (empty) {
        out += ",\"empty\":true}";
        return;
    }
    out += ",\"name\":";
    out += json(Utf8FromHostText(name)).dump(-1, ' ', false, json::error_handler_t::replace);
    out += visible ? ",\"visible\":true" : ",\"visible\":false";
    out += counted ? ",\"counted\":true}" : ",\"counted\":false}";
}

}  // namespace

json ServedHost::Panels() const {
    json panels;
    panels["scene"] = {{"file", scene_name_}, {"files", SceneFiles()}};
    panels["windows"] = json::array();
    for (int32_t id : TheWidgets().Ids()) {
        const Widget* widget = TheWidgets().Find(id);
        if (widget->type == MQWIDGET_TYPE_WINDOW && !widget->main && widget->parent == 0) panels["windows"].push_back(WidgetJson(*widget));
    }
    panels["lucid"] = FindWindowTitled("Lucid");
    panels["questions"] = json::array();
    for (const Question& question : questions_) {
        if (!question.answer) {
            panels["questions"].push_back({{"id", question.id}, {"title", question.title}, {"message", question.message}});
        }
    }
    panels["breaches"] = json::array();
    for (const Breach& breach : TheBreaches().All()) panels["breaches"].push_back(breach.Text());
    return panels;
}

void ServedHost::Publish() {
    // The objects: each place compared with what the pages last heard of it.
    const Document* document = session_.document();
    const size_t count = document != nullptr ? static_cast<size_t>(document->PlaceCount()) : 0;
    const size_t before = sent_places_.size();
    sent_places_.resize(count);
    std::string objects;
    for (size_t place = 0; place < count; ++place) {
        const Object* object = document->ObjectAt(static_cast<int32_t>(place));
        Place& sent = sent_places_[place];
        bool same = place < before && (object == nullptr
                                           ? sent.empty
                                           : !sent.empty && sent.visible == object->visible() &&
                                                 sent.counted == object->counted() && sent.name == object->name());
        if (same) continue;
        sent = PlaceOf(static_cast<int32_t>(place));
        AppendPlace(objects, static_cast<int32_t>(place), sent.empty, sent.visible, sent.counted, sent.name);
    }

    json change = json::object();
    if (count != before) change["count"] = count;
    json panels = Panels();
    for (auto& [key, value] : panels.items()) {
        if (!sent_panels_.contains(key) || sent_panels_[key] != value) change[key] = value;
    }
    sent_panels_ = std::move(panels);
    if (output_lines_ != sent_output_lines_) {
        change["output"] = LastLines(output_, output_lines_ - sent_output_lines_);
        change["output_lines"] = output_lines_;
        sent_output_lines_ = output_lines_;
    }
    if (journal_calls_ != sent_journal_calls_) {
        change["journal"] = LastLines(journal_, journal_calls_ - sent_journal_calls_);
        change["journal_calls"] = journal_calls_;
        sent_journal_calls_ = journal_calls_;
    }
    if (objects.empty() && change.empty()) return;  // nothing the page shows has changed

    if (session_id_.empty()) {
        session_id_ = std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
    }
    change["session"] = session_id_;
    change["version"] = ++version_;
    publish_(version_, WithObjects(objects, change, false));
}

std::string ServedHost::State() const {
    // Built from what the pages were sent, so that it is the state at `version_` exactly.
    std::string objects;
    for (size_t place = 0; place < sent_places_.size(); ++place) {
        const Place& sent = sent_places_[place];
        AppendPlace(objects, static_cast<int32_t>(place), sent.empty, sent.visible, sent.counted, sent.name);
    }
    json state = sent_panels_.is_object() ? sent_panels_ : json::object();
    state["output"] = LastLines(output_, sent_output_lines_);
    state["output_lines"] = sent_output_lines_;
    state["output_kept"] = kOutputLines;
    state["journal"] = LastLines(journal_, sent_journal_calls_);
    state["journal_calls"] = sent_journal_calls_;
    state["journal_kept"] = kJournalCalls;
    state["session"] = session_id_;
    state["version"] = version_;
    return WithObjects(objects, state, true);
}

Reply ServedHost::Run(const std::string& command) {
    session_.Execute(command);
    Reply reply;
    reply.body["output"] = Collect();
    Publish();
    return reply;
}

Reply ServedHost::Click(const json& request) {
    int32_t id = 0;
    bool ctrl = false, shift = false;
    if (!Int32(request, "widget", &id) || !Flag(request, "ctrl", &ctrl) || !Flag(request, "shift", &shift)) {
        return Refuse(400, "a click is {\"widget\": ID, \"ctrl\": true|false, \"shift\": true|false}");
    }
    const Widget* widget = TheWidgets().Find(id);
    int32_t lucid = FindWindowTitled("Lucid");
    if (widget == nullptr || widget->type != MQWIDGET_TYPE_BUTTON || lucid == 0 || WindowOf(id) != lucid) {
        return Refuse(404, "widget " + std::to_string(id) + " is not a button of the Lucid window");
    }
    std::string text = widget->TextUtf8();
    if (text == "Add") return Run("add");
    if (text != "S" && text != "R") return Refuse(404, "the Lucid window's button \"" + text + "\" has no command");
    std::vector<int32_t> buttons = FindButtons(lucid, text);
    size_t row = static_cast<size_t>(std::find(buttons.begin(), buttons.end(), id) - buttons.begin()) + 1;
    return Run((text == "S" ? "s " : "r ") + std::to_string(row) + (ctrl ? " ctrl" : "") + (shift ? " shift" : ""));
}

Reply ServedHost::SetVisible(const json& request) {
    int32_t place = 0;
    const json* visible = Field(request, "visible", &json::is_boolean);
    if (!Int32(request, "place", &place) || visible == nullptr) {
        return Refuse(400, "a visibility change is {\"place\": N, \"visible\": true|false}");
    }
    const Document* document = session_.document();
    if (document == nullptr || document->ObjectAt(place) == nullptr) {
        return Refuse(404, "there is no object at place " + std::to_string(place));
    }
    return Run((visible->get<bool>() ? "show #" : "hide #") + std::to_string(place));
}

Reply ServedHost::Window(const json& request) {
    const json* action = Field(request, "action", &json::is_string);
    std::string what = action != nullptr ? action->get<std::string>() : "";
    if (what == "close" || what == "open") return Run(what);
    int32_t x = 0, y = 0;
    if (what != "move" || !Int32(request, "x", &x) || !Int32(request, "y", &y)) {
        return Refuse(400, "a window request is {\"action\": \"move\", \"x\": X, \"y\": Y}, "
                           "{\"action\": \"close\"} or {\"action\": \"open\"}");
    }
    if (FindWindowTitled("Lucid") == 0) return Refuse(409, "the plug-in has no window");
    return Run("move " + std::to_string(x) + " " + std::to_string(y));
}

bool ServedHost::IsSceneName(const std::string& name) {
    const std::string suffix = ".scene";
    if (name.size() <= suffix.size() || name.size() > 128 || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    if (name[0] == '.' || name.find("..") != std::string::npos) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    });
}

Reply ServedHost::Scene(const json& request) {
    const json* action = Field(request, "action", &json::is_string);
    const json* file = Field(request, "file", &json::is_string);
    std::string what = action != nullptr ? action->get<std::string>() : "";
    if ((what != "save" && what != "load") || file == nullptr) {
        return Refuse(400, "a scene request is {\"action\": \"save\" | \"load\", \"file\": NAME}");
    }
    std::string name = file->get<std::string>();
    if (!IsSceneName(name)) {
        return Refuse(400, "\"" + name + "\" is not a scene file of the working folder: give a name ending in "
                           ".scene, of letters, digits, '_', '-' and '.', with no folder");
    }
    std::error_code error;
    if (what == "load" && !std::filesystem::is_regular_file(name, error)) {
        return Refuse(404, "there is no scene file " + name + " in the working folder");
    }
    const Document* before = session_.document();
    Reply reply = Run(what + " " + name);
    // The session says so when the file could not be written or read, and then keeps the
    // scene it had: the page hears it as a conflict, with what the session printed.
    bool done = what == "save" ? reply.body["output"].size() > 0 && reply.body["output"].back() == "saved " + name
                               : session_.document() != before;
    if (!done) {
        reply.status = 409;
        reply.body["error"] = "could not " + what + " " + name;
        return reply;
    }
    scene_name_ = name;
    Publish();
    return reply;
}

Reply ServedHost::Answer(const json& request) {
    const json* id = Field(request, "question", &json::is_number_integer);
    const json* answer = Field(request, "answer", &json::is_string);
    std::string word = answer != nullptr ? answer->get<std::string>() : "";
    if (id == nullptr || (word != "ok" && word != "cancel")) {
        return Refuse(400, "an answer is {\"question\": ID, \"answer\": \"ok\" | \"cancel\"}");
    }
    auto question = std::find_if(questions_.begin(), questions_.end(),
                                 [&](const Question& q) { return q.id == id->get<int64_t>() && !q.answer; });
    if (question == questions_.end()) return Refuse(409, "question " + id->dump() + " is not open");
    question->answer = word == "ok" ? MQBOX_OK : MQBOX_CANCEL;
    return Reply{};
}

}  // namespace host::serve
