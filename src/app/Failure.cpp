#include "app/Failure.h"

#include <exception>
#include <string>
#include <utility>

#include "app/Wording.h"
#include "bridge/ProcessFailure.h"

namespace tamsel {
namespace {

Failure::Kind kindOf(AWSError::Kind kind) {
    switch (kind) {
        case AWSError::Kind::cliNotFound: return Failure::Kind::cliNotFound;
        case AWSError::Kind::ipLookupFailed: return Failure::Kind::addressLookupFailed;
        case AWSError::Kind::failed: break;
    }
    return Failure::Kind::toolFailed;
}

}  // namespace

Failure::Failure(Kind kind, FailureCause cause, std::string text, std::string file)
    : kind_(kind), cause_(cause), text_(std::move(text)), file_(std::move(file)) {}

Failure::Failure(const AWSError& error) : Failure(kindOf(error.kind()), error.cause(), error.text()) {
    fact_ = error.fact();
    mfaDevice_ = error.mfaDevice();
}

Failure Failure::unexpected(std::string description) {
    const FailureCause cause = classify(description);
    return Failure(Kind::unexpected, cause, std::move(description));
}

// Nothing of a tool's to sort: the step, the program and the system's reason.
Failure Failure::processNotRun(const ProcessFailure& error) {
    Failure failure(Kind::unexpected, FailureCause::other, {});
    failure.fact_ = ProcessNotRun{.step = error.step(), .error = error.code().value(), .program = error.program()};
    return failure;
}

// The system's reason is not a tool's text: it is not sorted.
Failure Failure::settingsNotSaved(std::string file, std::string reason) {
    return Failure(Kind::settingsNotSaved, FailureCause::other, std::move(reason), std::move(file));
}

Failure caughtFailure() {
    try {
        throw;
    } catch (const AWSError& error) {
        return Failure(error);
    } catch (const ProcessFailure& error) {
        return Failure::processNotRun(error);
    } catch (const std::exception& error) {
        return Failure::unexpected(error.what());
    } catch (...) {
        return Failure::unexpected(std::string(words::kUnknownError));
    }
}

std::optional<Failure> failureOf(const std::function<void()>& job) {
    try {
        job();
    } catch (...) {
        return caughtFailure();
    }
    return std::nullopt;
}

}  // namespace tamsel
