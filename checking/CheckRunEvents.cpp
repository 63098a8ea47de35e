// The handlers of the POP3 client's events: status texts, progress window and row building.
#include "ActivityLog.h"
#include "CheckFrontEnd.h"
#include "CheckRun.h"
#include "RowBuilder.h"
#include "TmsRemotePOP.h"

namespace kelvane {

namespace {

std::string Num1(int num) {
    return std::to_string(num + 1);
}

}  // namespace

void CheckRun::ConnectEvents() {
    ConnectCheckEvents();
    ConnectDeleteEvents();
    client_.OnTransferringData = [this](TagSocket&) {
        frontEnd_.ShowStatus("Transferring data");
        frontEnd_.ShowProgressMessage("Transferring data ... ");
    };
    client_.OnDataTransfered = [this](TagSocket&) {
        frontEnd_.ShowStatus("Data has been transfered");
    };
    client_.OnClosing = [this](TagSocket&) { frontEnd_.ShowStatus("Closing connection"); };
    client_.OnClosed = [this](TagSocket&) { frontEnd_.ShowStatus("Connection closed"); };
    client_.OnRetrieving = [this](TagSocket&, int num) {
        frontEnd_.ShowStatus("Retrieving " + Num1(num));
        frontEnd_.ShowProgressMessage("Retrieving ... ");
    };
    client_.OnRetrieved = [this](TagSocket&, int num) {
        frontEnd_.ShowStatus("Message " + Num1(num) + " retrieved");
    };
    client_.OnUserMessageSave = [this](TagSocket&, int num, const std::string& contents) {
        SaveRetrievedMessage(num, contents);
    };
}

void CheckRun::ConnectCheckEvents() {
    client_.OnOpen = [this](TagSocket&) {
        frontEnd_.ShowStatus("Opening connection for " + client_.UserName + " on " +
                             client_.Server);
        frontEnd_.ShowProgressMessage("Opening connection ... ");
        frontEnd_.ShowProgressBar(0, 0);
    };
    client_.OnUpdatingInfo = [this](TagSocket&) {
        frontEnd_.ShowStatus("Updating headers");
        frontEnd_.ShowProgressMessage("Updating headers ... ");
        frontEnd_.ShowProgressBar(0, 0);
    };
    client_.OnNextInfoUpdated = [this](TagSocket&, int num) { RowListed(num); };
    client_.OnInfoUpdated = [this](TagSocket&) { ListingDone(); };
    client_.OnError = [this](TagSocket&, std::string& text) {
        frontEnd_.ShowStatus(text);
        if (cancelRequested_) return;  // a cancelled run writes its records once, at its top
        log_.WriteErrorRecord(text, client_.UserName, client_.Server);
        lastErrorLogged_ = true;
    };
    // Called during a wait: only the status changes here; the run tidies up when it unwinds.
    client_.OnCancel = [this](TagSocket&) { frontEnd_.ShowStatus("Operation has been canceled"); };
}

void CheckRun::RowListed(int num) {
    rows_.push_back(BuildRow(client_.Info().Items(num), dateFormat_));
    const std::string total = std::to_string(client_.MessageCount());
    frontEnd_.ShowStatus("Checking message " + Num1(num) + " of " + total +
                         " total waiting messages");
    classifier_.MarkForDeletion(static_cast<int>(rows_.size()) - 1);
    frontEnd_.RowAppended(static_cast<int>(rows_.size()) - 1);
    frontEnd_.ShowProgressMessage("Message " + Num1(num) + " of " + total);
    frontEnd_.ShowProgressBar(client_.MessageCount(), num + 1);
}

void CheckRun::ListingDone() {
    frontEnd_.ShowStatus(std::to_string(client_.Info().Count()) + " msg(s) for " +
                         client_.UserName + " on " + client_.Server);
    classifier_.MarkForDeletion(-1);
    frontEnd_.MarksChanged();
    frontEnd_.SetBusy(false);
    frontEnd_.HideProgressWindow();
}

}  // namespace kelvane
