#include "app/MFACodeRequest.h"

#include <utility>

#include "app/Wording.h"

namespace tamsel {

void MFACodeRequest::landWanting(const std::string& device, std::size_t codesBefore, std::function<void()> landAsIs,
                                 Rerun runAgain) {
    // A code given since the call was queued has put the role's credentials in the tool's
    // cache by now: the call runs once more without asking.
    if (codesGiven_ != codesBefore) {
        runAgain(std::nullopt);
        return;
    }
    if (declined_) {
        landAsIs();
        return;
    }
    auto answered = [landAsIs = std::move(landAsIs), runAgain = std::move(runAgain)](const Code& code) {
        if (code) {
            runAgain(code);
        } else {
            landAsIs();
        }
    };
    whenAnswered(device, std::move(answered));
}

void MFACodeRequest::whenAnswered(const std::string& device, Answered answered) {
    // One dialog at a time: the calls that want a code while it is open (their landings
    // come in while it waits for the user) wait for its answer and then each run once more
    // with the same code, in the order they came. The first to run gives it to the tool;
    // the others find the role's credentials in the tool's cache and do not read it.
    waiting_.push_back(std::move(answered));
    if (asking_) return;
    asking_ = true;
    CodeQuestion question;
    question.title = words::kMFACodeTitle;
    question.body = words::mfaCodeQuestion(device);
    question.accept = words::kOK;
    question.cancel = words::kCancel;
    question.digits = 6;
    const Code code = alerts_.ask(question);
    asking_ = false;
    declined_ = !code;
    if (code) ++codesGiven_;
    std::vector<Answered> waiting;
    waiting.swap(waiting_);
    for (Answered& each : waiting) each(code);
}

}  // namespace tamsel
