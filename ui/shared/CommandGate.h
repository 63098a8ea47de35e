#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelvane {

// Everything a user, a timer or another window can start in the window program.
enum class Command {
    Check,       // "&Check e-mail" and its letter
    Delete,      // "&Delete marked msgs"
    AutoMark,    // "&Auto mark msgs"
    Mark,        // "&Mark msgs", a double click
    ResetMarks,  // "&Reset all marks"
    Why,         // the list menu's commands
    ViewHeaders,
    ViewBody,
    AddToExceptions,
    AddToSpamList,
    LaunchMailProgram,
    TrayCheck,  // the tray's "Check e-mail for spam"
    MinuteTick,
    SpamSettings,
    GeneralSettings,
    Statistics,
    ViewLog,
    AutomaticMode,  // the tray's "Enable/Disable automatic check"
    Help,
    About,
    ShowMain,
    Exit,
    Cancel,
    DeletedJunk,      // "&Deleted junk..." in the settings menu and the tray
    RestoreDeleted,   // the Deleted junk window's commands
    NeverMarkSender,  // writes the exceptions table
    RemoveDeleted,
};

// Who asks: a step of the run on the stack (a deletion launching the mail program, a check
// opening the General settings) may do what nothing else may while that run waits.
enum class Origin { User, Timer, RunStep };

// Why a command may not start now.
enum class Blocker {
    None,
    RunWaiting,           // a check, deletion or download is on the stack
    MessageWindowOpen,    // a window of the list's commands works on the rows
    SpamSettingsOpen,     // its edits are not confirmed yet
    GeneralSettingsOpen,  // its edits are not confirmed yet
    AlreadyOpen,          // the command's own window is up: it is brought forward instead
    DeletedJunkOpen,      // it writes the exceptions table and shows what runs keep
};

// What the gate knows of the program at the moment a command asks.
struct GateSituation {
    bool runOnStack = false;
    bool messageWindowOpen = false;
    bool spamSettingsOpen = false;
    bool generalSettingsOpen = false;
    bool statisticsOpen = false;
    bool aboutOpen = false;
    bool deletedJunkOpen = false;
};

// The one rule of what may start when; the first blocker that applies, or None.
Blocker Judge(Command command, Origin origin, const GateSituation& situation);
// The status text for a refusal; empty for None and AlreadyOpen, which need no words.
std::string RefusalText(Blocker blocker);
// A name for messages and tests ("Check", "TrayCheck", ...).
const char* CommandName(Command command);

// The single door of every command in the window program. It runs a command only when the
// rule allows it, keeps the stack of commands running (waits pump events, so commands nest),
// routes errors that escape a command to the general error handler, and hands back what may
// not start now: refused with a status, or deferred until the program is idle again.
class CommandGate {
  public:
    using Probe = std::function<bool()>;
    using Action = std::function<void()>;

    // Whether a run is on the stack (the check run's own flag).
    void setRunProbe(Probe probe) { runProbe_ = std::move(probe); }
    // Whether the General settings window is up; it has no loop of its own.
    void setGeneralSettingsProbe(Probe probe) { generalProbe_ = std::move(probe); }
    // Shows a refusal (a status text, the blocking window brought forward).
    void setRefusalShower(std::function<void(Command, Blocker)> show) {
        showRefusal_ = std::move(show);
    }
    // Called before every command that starts (the alarm stops).
    void setBeforeCommand(std::function<void(Command)> before) { before_ = std::move(before); }
    // Runs an action so that an error escaping it reaches the user, not the event loop.
    void setGuard(std::function<void(const Action&)> guard) { guard_ = std::move(guard); }
    // Runs an action once the current event is handled.
    void setPoster(std::function<void(Action)> post) { post_ = std::move(post); }

    // Runs `body` when `command` may start now; false when it was refused or deferred.
    bool Run(Command command, Origin origin, const Action& body);
    bool Allows(Command command, Origin origin) const;
    GateSituation Situation() const;
    // Whether the command is on the stack now (its window is open or its run waits).
    bool Active(Command command) const;
    bool Idle() const { return active_.empty(); }
    // Whether a window that pauses unattended checking is open.
    bool CountdownPaused() const;

  private:
    void Defer(Command command, const Action& body);
    void FlushDeferred();

    Probe runProbe_;
    Probe generalProbe_;
    std::function<void(Command, Blocker)> showRefusal_;
    std::function<void(Command)> before_;
    std::function<void(const Action&)> guard_;
    std::function<void(Action)> post_;
    std::vector<Command> active_;
    std::vector<std::pair<Command, Action>> deferred_;
};

}  // namespace kelvane
