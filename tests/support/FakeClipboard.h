#pragma once
// A clipboard for controller tests: keeps every text put on it, in order.

#include <string>
#include <vector>

#include "app/Platform.h"

namespace tamsel::test {

class RecordingClipboard final : public Clipboard {
public:
    void setText(const std::string& text) override { texts.push_back(text); }

    std::vector<std::string> texts;
};

}  // namespace tamsel::test
