#include "CommandGate.h"

#include <algorithm>
#include <iterator>

namespace kelvane {

namespace {

// Commands that talk to a server and own the rows while they run.
bool IsRun(Command command) {
    switch (command) {
        case Command::Check:
        case Command::Delete:
        case Command::AutoMark:
        case Command::TrayCheck:
        case Command::MinuteTick:
            return true;
        default:
            return false;
    }
}

// Commands whose window shows or works on rows while it is open.
bool OpensMessageWindow(Command command) {
    switch (command) {
        case Command::Why:
        case Command::ViewHeaders:
        case Command::ViewBody:
        case Command::AddToSpamList:
            return true;
        default:
            return false;
    }
}

bool IsRowCommand(Command command) {
    return OpensMessageWindow(command) || command == Command::Mark ||
           command == Command::ResetMarks || command == Command::AddToExceptions;
}

// What stops a run, or a settings window that a run would read under it.
Blocker AnyOpenWindow(const GateSituation& s) {
    if (s.messageWindowOpen) return Blocker::MessageWindowOpen;
    if (s.spamSettingsOpen) return Blocker::SpamSettingsOpen;
    if (s.generalSettingsOpen) return Blocker::GeneralSettingsOpen;
    if (s.deletedJunkOpen) return Blocker::DeletedJunkOpen;
    return Blocker::None;
}

Blocker JudgeOwnWindow(Command command, const GateSituation& s) {
    switch (command) {
        case Command::SpamSettings:
            return s.spamSettingsOpen ? Blocker::AlreadyOpen : Blocker::None;
        case Command::GeneralSettings:
            return s.generalSettingsOpen ? Blocker::AlreadyOpen : Blocker::None;
        case Command::Statistics:
            return s.statisticsOpen ? Blocker::AlreadyOpen : Blocker::None;
        case Command::About:
            return s.aboutOpen ? Blocker::AlreadyOpen : Blocker::None;
        case Command::DeletedJunk:
            return s.deletedJunkOpen ? Blocker::AlreadyOpen : Blocker::None;
        default:
            return Blocker::None;
    }
}

}  // namespace

Blocker Judge(Command command, Origin origin, const GateSituation& s) {
    if (const Blocker own = JudgeOwnWindow(command, s); own != Blocker::None) return own;
    switch (command) {
        case Command::Cancel:
        case Command::ShowMain:
        case Command::ViewLog:
        case Command::Help:
            return Blocker::None;
        case Command::Exit:
            return s.runOnStack ? Blocker::RunWaiting : Blocker::None;
        case Command::LaunchMailProgram:
        case Command::GeneralSettings:
            // The run's own step: a deletion launching the mail program, a check asking for
            // the account it lacks.
            if (origin == Origin::RunStep && s.runOnStack) return Blocker::None;
            break;
        default:
            break;
    }
    if (s.runOnStack) return Blocker::RunWaiting;
    if (IsRun(command) || command == Command::SpamSettings || command == Command::GeneralSettings ||
        command == Command::DeletedJunk) {
        const Blocker open = AnyOpenWindow(s);
        // The General settings window may launch the mail program or show the statistics.
        if (command == Command::GeneralSettings && open == Blocker::GeneralSettingsOpen)
            return Blocker::None;
        if (command == Command::SpamSettings && open == Blocker::SpamSettingsOpen)
            return Blocker::None;
        return open;
    }
    if (IsRowCommand(command) || command == Command::LaunchMailProgram) {
        if (s.messageWindowOpen) return Blocker::MessageWindowOpen;
        const bool writesRules =
            command == Command::AddToExceptions || command == Command::AddToSpamList;
        if (writesRules && s.spamSettingsOpen) return Blocker::SpamSettingsOpen;
    }
    if (command == Command::NeverMarkSender && s.spamSettingsOpen) return Blocker::SpamSettingsOpen;
    return Blocker::None;
}

std::string RefusalText(Blocker blocker) {
    switch (blocker) {
        case Blocker::RunWaiting:
            return "Kelvane is busy with the mail server: wait until it has finished, or cancel";
        case Blocker::MessageWindowOpen:
            return "Close the message window first";
        case Blocker::SpamSettingsOpen:
            return "Close the spam settings window first";
        case Blocker::GeneralSettingsOpen:
            return "Close the General settings window first";
        case Blocker::DeletedJunkOpen:
            return "Close the Deleted junk window first";
        case Blocker::None:
        case Blocker::AlreadyOpen:
            break;
    }
    return {};
}

const char* CommandName(Command command) {
    // In the order of the enumeration.
    static constexpr const char* kNames[] = {
        "Check",
        "Delete",
        "AutoMark",
        "Mark",
        "ResetMarks",
        "Why",
        "ViewHeaders",
        "ViewBody",
        "AddToExceptions",
        "AddToSpamList",
        "LaunchMailProgram",
        "TrayCheck",
        "MinuteTick",
        "SpamSettings",
        "GeneralSettings",
        "Statistics",
        "ViewLog",
        "AutomaticMode",
        "Help",
        "About",
        "ShowMain",
        "Exit",
        "Cancel",
        "DeletedJunk",
        "RestoreDeleted",
        "NeverMarkSender",
        "RemoveDeleted",
    };
    const auto index = static_cast<std::size_t>(command);
    return index < std::size(kNames) ? kNames[index] : "?";
}

GateSituation CommandGate::Situation() const {
    GateSituation s;
    s.runOnStack = (runProbe_ && runProbe_()) || std::any_of(active_.begin(), active_.end(), IsRun);
    s.messageWindowOpen = std::any_of(active_.begin(), active_.end(), OpensMessageWindow);
    s.spamSettingsOpen = Active(Command::SpamSettings);
    s.generalSettingsOpen = generalProbe_ && generalProbe_();
    s.statisticsOpen = Active(Command::Statistics);
    s.aboutOpen = Active(Command::About);
    s.deletedJunkOpen = Active(Command::DeletedJunk);
    return s;
}

bool CommandGate::Active(Command command) const {
    return std::find(active_.begin(), active_.end(), command) != active_.end();
}

bool CommandGate::Allows(Command command, Origin origin) const {
    return Judge(command, origin, Situation()) == Blocker::None;
}

bool CommandGate::CountdownPaused() const {
    const GateSituation s = Situation();
    return s.spamSettingsOpen || s.generalSettingsOpen || s.aboutOpen || s.messageWindowOpen ||
           s.deletedJunkOpen;
}

bool CommandGate::Run(Command command, Origin origin, const Action& body) {
    const Blocker blocker = Judge(command, origin, Situation());
    if (blocker != Blocker::None) {
        // A tick or an exit that comes while a run waits happens once the run is over; a tick
        // under an open window is not needed, since closing it restarts the countdown.
        const bool deferrable = command == Command::MinuteTick || command == Command::Exit;
        if (deferrable && blocker == Blocker::RunWaiting) {
            Defer(command, body);
        } else if (showRefusal_ && origin != Origin::Timer) {
            showRefusal_(command, blocker);
        }
        return false;
    }
    if (before_ && origin == Origin::User) before_(command);
    {
        active_.push_back(command);
        struct OnStack {
            std::vector<Command>& active;
            ~OnStack() { active.pop_back(); }
        } onStack{active_};
        if (guard_)
            guard_(body);
        else
            body();
    }
    if (active_.empty() && !deferred_.empty()) FlushDeferred();
    return true;
}

void CommandGate::Defer(Command command, const Action& body) {
    for (const auto& waiting : deferred_) {
        if (waiting.first == command) return;
    }
    deferred_.emplace_back(command, body);
}

// Once the current event is handled, so that whatever asked for the command is done with it.
void CommandGate::FlushDeferred() {
    const auto flush = [this] {
        std::vector<std::pair<Command, Action>> waiting;
        waiting.swap(deferred_);
        for (auto& [command, body] : waiting) {
            Run(command, command == Command::MinuteTick ? Origin::Timer : Origin::User, body);
        }
    };
    if (post_)
        post_(flush);
    else
        flush();
}

}  // namespace kelvane
