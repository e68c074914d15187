// The plug-in file in the stand-in host, as the checks drive it: loaded through its
// exports, started, shown and stopped as the host does, with the host's state read back
// through the models (widgets, documents, settings) and the register of breaches.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/widgets/widgets.h"
#include "host/careless/catalogue.h"
#include "host/careless/hostile_arguments.h"
#include "host/drive/plugin_module.h"
#include "host/validate/check.h"

namespace host::validate {

using careless::Handler;

// One gesture of a user, drawn once and made again as often as wanted: the widget is
// named by its place among those shown of its kind, so that a gesture that opened a box
// finds the same row's widget again after the window was rebuilt.
struct UserGesture {
    int kind = 0;  // an answer queued, a click, a press, a close, a move
    size_t place = 0;
    MouseButton button = MouseButton::Left;
    Modifiers modifiers;
    int32_t answer = -1;  // of a queued answer: -1 for none
    int32_t x = 0, y = 0;
};

// How many of the plug-in's latest host calls a check keeps, for its report of a crash.
constexpr size_t kJournalCalls = 20;

class Station : public careless::Stage {
public:
    // A fresh host with one document of a few objects, and the plug-in file loaded
    // (failing "file.load" when it cannot be).
    explicit Station(const Setting& setting);
    ~Station() override;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    PluginModule& plugin() { return *plugin_; }
    Document& document() { return *document_; }
    std::mt19937_64& random() { return random_; }

    // The handshake and event 1, each required to succeed.
    void Start();
    // Event 100 with the flag; answers what the plug-in answered.
    int32_t Activate(int32_t flag);
    // Event 2, then: no widget of the plug-in is left ("widgets.outlived-exit").
    void Exit();
    // A new current document with random objects, the old one closed when `close_old`,
    // and event 200 for it with an empty element, as the host opens a file.
    Document& NewDocument(bool close_old);

    // Fails with the first breach of the host's rules reported since the last look, under
    // its own rule id, saying what the host was doing (`during`).
    void NoBreach(const std::string& during);

    // The plug-in's widgets: every widget but the host's main window, in id order.
    std::vector<int32_t> Widgets() const;
    std::vector<int32_t> ShownWindows() const;
    // The buttons a user can see and press.
    std::vector<int32_t> ShownButtons() const;
    // Every widget a user can see and click: buttons and frames.
    std::vector<int32_t> ShownWidgets() const;

    // Records every handler registered now, so that a careless host can call it later.
    void CollectHandlers() { handlers_.Collect(); }
    const std::vector<Handler>& handlers() const { return handlers_.all(); }

    // The document's element as the plug-in saves it, in the file form; and a load of an
    // element in the file form into `document`.
    std::string Save(Document& document);
    void Load(Document& document, const std::string& text);

    // `count` random bytes, for host::ByteReader.
    std::vector<uint8_t> Bytes(size_t count);
    size_t Pick(size_t count) override { return count == 0 ? 0 : static_cast<size_t>(random_() % count); }
    bool Bit() { return (random_() & 1) != 0; }

    // One random gesture of a user on the plug-in's widgets: a click with any button and
    // modifiers, a press, closing or moving a window; message boxes get a random answer
    // or none. Answers what was done, for a failure message.
    std::string Gesture() { return Make(DrawGesture()); }
    UserGesture DrawGesture();
    std::string Make(const UserGesture& gesture);
    // One random change of the document: an object shown or hidden, renamed, added or
    // deleted.
    std::string ChangeDocument();

    // The stage of the careless host: the plug-in's events for the current document, and
    // another document of random objects.
    int32_t Send(int32_t event, void* argument) override;
    Document& Current() override { return *document_; }
    Document& OpenAnother() override;
    const careless::Handlers* KnownHandlers() override { return &handlers_; }

private:
    const Setting& setting_;
    std::unique_ptr<PluginModule> plugin_;
    Document* document_ = nullptr;
    std::mt19937_64 random_;
    careless::Handlers handlers_{512};
};

// "#3 (button "S")": a widget as a failure names it.
std::string Describe(int32_t widget);

}  // namespace host::validate
