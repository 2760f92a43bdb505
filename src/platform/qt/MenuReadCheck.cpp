#include "platform/qt/MenuReadCheck.h"

#include <utility>

namespace tamsel {

MenuReadCheck::MenuReadCheck(std::function<unsigned()> layoutReads, std::function<void()> tellAgain,
                             std::chrono::milliseconds firstCheck)
    : layoutReads_(std::move(layoutReads)), tellAgain_(std::move(tellAgain)), firstCheck_(firstCheck) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &MenuReadCheck::check);
}

void MenuReadCheck::listed() {
    readsWhenListed_ = layoutReads_();
    tellings_ = 0;
    delay_ = firstCheck_;
    timer_.start(delay_);
}

void MenuReadCheck::check() {
    if (layoutReads_() != readsWhenListed_ || tellings_ == kMostTellings) return;
    tellAgain_();
    ++tellings_;
    delay_ *= 2;
    timer_.start(delay_);
}

}  // namespace tamsel
