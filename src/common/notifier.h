#pragma once
// What the user must see, reported by the core without knowing how it is shown. The window shows
// message boxes and beeps; the command line prints to stderr; tests record.

#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

class Notifier {
public:
    virtual ~Notifier() = default;
    // A message box with the error icon (invalid input).
    virtual void error(std::string_view text) = 0;
    // A plain message box with an OK button.
    virtual void message(std::string_view text) = 0;
    // An audible signal without text (a wrong file header).
    virtual void beep() = 0;
};

// Keeps every notification in order; used by tests and by callers that decide later.
class RecordingNotifier : public Notifier {
public:
    enum class Kind { Error, Message, Beep };
    struct Event {
        Kind kind;
        std::string text;
    };

    void error(std::string_view text) override {
        events.push_back({Kind::Error, std::string(text)});
    }
    void message(std::string_view text) override {
        events.push_back({Kind::Message, std::string(text)});
    }
    void beep() override { events.push_back({Kind::Beep, {}}); }

    std::vector<Event> events;
};

// Drops every notification: for measurements that must not pay for, or grow with, the messages.
class SilentNotifier : public Notifier {
public:
    void error(std::string_view) override {}
    void message(std::string_view) override {}
    void beep() override {}
};

} // namespace tavrel
