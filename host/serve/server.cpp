// The page server: cpp-httplib on the loopback address, the page's own files, the JSON
// requests that become tasks of the host thread, and the state pushed to every open page
// as server-sent events.
#include <signal.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <atomic>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "host/files/file_io.h"
#include "host/serve/host_thread.h"
#include "host/serve/serve.h"
#include "host/serve/served_host.h"
#include "host/session/session_arguments.h"
#include "platform/platform.h"

namespace host::serve {
namespace {

using nlohmann::json;

const char* const kUsage = "usage: pellucid-host serve [--port N] [--settings FILE] [--plugin FILE] [SCENE]";
const char* const kLoopback = "127.0.0.1";

// The latest changes, and the pages waiting for them. A page that falls further behind
// than the changes kept here is sent the whole state again.
class Broadcast {
public:
    void Publish(uint64_t version, std::string change) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            kept_bytes_ += change.size();
            changes_.emplace_back(version, std::move(change));
            while (changes_.size() > 1 && (changes_.size() > kKeptChanges || kept_bytes_ > kKeptBytes)) {
                kept_bytes_ -= changes_.front().second.size();
                changes_.pop_front();
            }
        }
        changed_.notify_all();
    }
    enum class Wait { kChanges, kGap, kIdle, kClosed };
    // Waits up to `timeout` for changes after version `*seen`. kChanges: they are appended
    // to `*events` as server-sent events and `*seen` is the last one's version; kGap: some
    // of them are no longer kept.
    Wait WaitAfter(uint64_t* seen, std::string* events, std::chrono::seconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return closed_ || Latest() > *seen; });
        if (closed_) return Wait::kClosed;
        if (Latest() <= *seen) return Wait::kIdle;
        if (changes_.front().first > *seen + 1) return Wait::kGap;
        for (const auto& [version, change] : changes_) {
            if (version <= *seen) continue;
            *events += "data: ";
            *events += change;
            *events += "\n\n";
            *seen = version;
        }
        return Wait::kChanges;
    }
    void Close() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
    }

private:
    static constexpr size_t kKeptChanges = 256;
    static constexpr size_t kKeptBytes = size_t{64} << 20;
    uint64_t Latest() const { return changes_.empty() ? 0 : changes_.back().first; }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<uint64_t, std::string>> changes_;
    size_t kept_bytes_ = 0;
    bool closed_ = false;
};

// A comment line that keeps an idle event stream open and finds out a page that has gone.
constexpr std::string_view kIdleEvent = ": idle\n\n";
// Each open page holds a connection of the server's, and a worker thread with it, for its
// events; the rest of the workers answer requests. Pages beyond the limit are told to wait.
constexpr int kWorkers = 128;
constexpr int kMaxEventStreams = 96;

// The page's files: every file under `folder`, by the path the page asks for. Nothing
// else is served, so no request path can reach outside it.
std::map<std::string, std::filesystem::path> PageFiles(const std::filesystem::path& folder) {
    std::map<std::string, std::filesystem::path> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error)) {
            std::string request_path = "/";
            request_path += std::filesystem::relative(it->path(), folder, error).generic_string();
            files[request_path] = it->path();
        }
    }
    return files;
}

std::string ContentType(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    if (extension == ".html") return "text/html; charset=utf-8";
    if (extension == ".js") return "text/javascript; charset=utf-8";
    if (extension == ".css") return "text/css; charset=utf-8";
    if (extension == ".png") return "image/png";
    return "application/octet-stream";
}

void Send(httplib::Response& response, const Reply& reply) {
    response.status = reply.status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(reply.body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void SendError(httplib::Response& response, int status, const std::string& error) {
    Reply reply;
    reply.status = status;
    reply.body["error"] = error;
    Send(response, reply);
}

// Refuses what a page of another site, or a name other than the loopback's, could send:
// the Host header must name this server, and an Origin, when given, must be its own.
httplib::Server::HandlerResponse Guard(int port, const httplib::Request& request, httplib::Response& response) {
    const std::string here = ":" + std::to_string(port);
    std::string host = request.get_header_value("Host");
    if (host != kLoopback + here && host != "localhost" + here) {
        SendError(response, 403, "refused: the Host header \"" + host + "\" is not this server's");
        return httplib::Server::HandlerResponse::Handled;
    }
    if (request.has_header("Origin")) {
        std::string origin = request.get_header_value("Origin");
        if (origin != std::string("http://") + kLoopback + here && origin != "http://localhost" + here) {
            SendError(response, 403, "refused: the Origin \"" + origin + "\" is not this server's page");
            return httplib::Server::HandlerResponse::Handled;
        }
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

// A port on the command line: a decimal number from 0 to 65535, handed on in its plain
// form (CLI11 would read "010" as octal and "0x50" as hexadecimal).
std::string PortMistake(std::string& text) {
    int port = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        return "not a port: " + text;
    }
    text = std::to_string(port);
    return "";
}

}  // namespace

int Main(int argc, char** argv) {
    // --help or -h anywhere, even where an option's value would stand, prints the help.
    if (std::any_of(argv, argv + argc, [](std::string_view word) { return word == "--help" || word == "-h"; })) {
        std::cout << kUsage << "\n(serves the session as a page on 127.0.0.1; --port 0 or none picks a free port)\n";
        return 0;
    }
    CLI::App app;
    app.set_help_flag();
    SessionArguments session(app);
    int port = 0;
    app.add_option("--port", port)->take_last()->check(CLI::Validator(PortMistake, "N"));
    bool understood = true;
    try {
        ParseWords(app, argc, argv);
    } catch (const CLI::ParseError&) {
        understood = false;
    }
    if (!understood || !session.SceneMistake().empty()) {
        std::cerr << "pellucid-host: unexpected arguments to serve\n" << kUsage << "\n";
        return 2;
    }
    const SessionOptions options = session.Options();
    std::map<std::string, std::filesystem::path> page = PageFiles(platform::ProgramFolder() + "web");
    if (page.count("/index.html") == 0) {
        std::cerr << "pellucid-host: the page's files are missing from " << platform::ProgramFolder() << "web\n";
        return 1;
    }

    // Ctrl+C and SIGTERM reach one thread that waits for them, which ends the host.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    HostThread thread;  // this one: main runs the host's loop
    Broadcast broadcast;
    ServedHost served(thread, [&broadcast](uint64_t version, std::string change) {
        broadcast.Publish(version, std::move(change));
    });
    if (!served.Start(options)) return 1;

    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    const int asked = port;
    port = asked == 0 ? server.bind_to_any_port(kLoopback) : (server.bind_to_port(kLoopback, asked) ? asked : -1);
    if (port <= 0) {
        std::cerr << "pellucid-host: cannot listen on " << kLoopback << ":" << asked << "\n";
        served.Finish();
        return 1;
    }
    server.set_pre_routing_handler(
        [port](const httplib::Request& request, httplib::Response& response) { return Guard(port, request, response); });

    // The whole state, with the version it is at, built on the host thread.
    auto whole_state = [&thread, &served](uint64_t* version) {
        return thread.Call([&served, version] {
            *version = served.version();
            return served.State();
        });
    };
    server.Get("/api/state", [&](const httplib::Request&, httplib::Response& response) {
        try {
            uint64_t version = 0;
            response.set_header("Cache-Control", "no-store");
            response.set_content(whole_state(&version), "application/json");
        } catch (const std::exception&) {
            SendError(response, 503, "the host is stopping");
        }
    });
    // The page's events: the whole state first (event "state"), then each change as it
    // comes; the whole state again when the page has missed changes that are not kept.
    auto streams = std::make_shared<std::atomic<int>>(0);
    server.Get("/api/events", [&, streams](const httplib::Request&, httplib::Response& response) {
        if (streams->fetch_add(1) >= kMaxEventStreams) {
            streams->fetch_sub(1);
            return SendError(response, 503, "too many pages are open: close one and reload this one");
        }
        response.set_header("Cache-Control", "no-store");
        auto seen = std::make_shared<uint64_t>(0);
        auto started = std::make_shared<bool>(false);
        response.set_chunked_content_provider(
            "text/event-stream",
            [&broadcast, whole_state, seen, started](size_t, httplib::DataSink& sink) {
                std::string events;
                Broadcast::Wait wait = *started ? broadcast.WaitAfter(seen.get(), &events, std::chrono::seconds(5))
                                                : Broadcast::Wait::kGap;
                if (wait == Broadcast::Wait::kClosed) {
                    sink.done();
                    return true;
                }
                if (wait == Broadcast::Wait::kIdle) return sink.write(kIdleEvent.data(), kIdleEvent.size());
                if (wait == Broadcast::Wait::kGap) {
                    try {
                        events = "event: state\ndata: " + whole_state(seen.get()) + "\n\n";
                    } catch (const std::exception&) {
                        sink.done();  // the host is stopping
                        return true;
                    }
                    *started = true;
                }
                return sink.write(events.data(), events.size());
            },
            [streams](bool) { streams->fetch_sub(1); });
    });
    auto post = [&](const char* path, Reply (ServedHost::*action)(const json&)) {
        server.Post(path, [&, action](const httplib::Request& request, httplib::Response& response) {
            if (request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
                return SendError(response, 415, "send the request as application/json");
            }
            json body = json::parse(request.body, nullptr, false);
            if (body.is_discarded() || !body.is_object()) {
                return SendError(response, 400, "the request is not a JSON object");
            }
            try {
                Send(response, thread.Call([&] { return (served.*action)(body); }));
            } catch (const std::exception&) {
                SendError(response, 503, "the host is stopping");
            }
        });
    };
    post("/api/click", &ServedHost::Click);
    post("/api/object", &ServedHost::SetVisible);
    post("/api/window", &ServedHost::Window);
    post("/api/scene", &ServedHost::Scene);
    post("/api/answer", &ServedHost::Answer);
    server.Get(".*", [&page](const httplib::Request& request, httplib::Response& response) {
        auto file = page.find(request.path == "/" ? "/index.html" : request.path);
        if (file == page.end()) return SendError(response, 404, "no such file: " + request.path);
        std::string content, error;
        if (!ReadWholeFile(file->second.string(), &content, &error)) {
            return SendError(response, 500, "cannot read " + request.path + ": " + error);
        }
        response.set_header("Cache-Control", "no-store");
        response.set_content(content, ContentType(file->second));
    });

    std::thread listener([&server] { server.listen_after_bind(); });
    std::thread stopper([&thread, stop_signals] {
        int signal = 0;
        sigwait(&stop_signals, &signal);
        thread.Stop();
    });
    std::cout << "serving the scene at http://" << kLoopback << ":" << port << "/ (Ctrl+C stops)" << std::endl;

    thread.RunUntil([] { return false; });  // until a signal stops the host thread

    broadcast.Close();
    server.stop();
    listener.join();
    stopper.join();
    served.Finish();
    return 0;
}

}  // namespace host::serve
