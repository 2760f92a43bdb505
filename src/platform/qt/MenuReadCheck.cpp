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
    timer_.start(firstCheck_);
}

void MenuReadCheck::check() {
    if (layoutReads_() != readsWhenListed_ || tellings_ == kMostTellings) return;
    tellAgain_();
    ++tellings_;
    timer_.start(firstCheck_ * (1 << tellings_));  // the delay doubles
}

}  // namespace tamsel
