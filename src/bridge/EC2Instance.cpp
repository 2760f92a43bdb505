#include "bridge/EC2Instance.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

#include <nlohmann/json.hpp>

#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/JSONDocument.h"

namespace tamsel {
namespace {

// Reads the instance listing straight from the parser's events into records, without
// building a document first (that alone takes most of the time on a long listing).
// The parser is nlohmann's own, strict as for a document, and its parse errors are
// thrown unchanged. What it reads equals reading the document and then its fields:
//   - the top level must be an array whose every element is an object (else `badShape`);
//   - "id", "name", "state", "type" count only when they hold a string;
//   - "publicIp", "privateIp", "imageId" and "publicDns" likewise, and are absent otherwise;
//   - "launchTime" likewise, read by parseLaunchTime (absent too when that reads nothing);
//   - "sgs" counts only as an array of objects, each giving "id" and "name" likewise;
//   - when a key repeats, its last value counts, as in the document.
class InstanceReader {
public:
    using json = nlohmann::json;

    bool null() { return scalar(nullptr); }
    bool boolean(bool) { return scalar(nullptr); }
    bool number_integer(json::number_integer_t) { return scalar(nullptr); }
    bool number_unsigned(json::number_unsigned_t) { return scalar(nullptr); }
    bool number_float(json::number_float_t, const json::string_t&) { return scalar(nullptr); }
    bool binary(json::binary_t&) { return scalar(nullptr); }
    bool string(json::string_t& value) { return scalar(&value); }

    bool start_object(std::size_t) {
        if (depth_ == 0) {
            badShape_ = true;
        } else if (depth_ == 1) {
            instance_ = EC2Instance{};
        } else if (depth_ == 3 && inGroups_) {
            instance_.securityGroups.emplace_back();
            inGroup_ = true;
        }
        ++depth_;
        return true;
    }

    bool end_object() {
        --depth_;
        if (depth_ == 3) inGroup_ = false;
        if (depth_ == 1 && !badShape_ && instance_.state != InstanceState::terminated) {
            // Terminated instances linger in the listing for a while but can no longer be used.
            instances_.push_back(std::move(instance_));
        }
        return true;
    }

    bool start_array(std::size_t) {
        if (depth_ == 0) {
            topIsArray_ = true;
        } else if (depth_ == 1) {
            badShape_ = true;
        } else if (depth_ == 2 && instanceField_ == Field::sgs) {
            inGroups_ = true;
            groupsValid_ = true;
        } else if (depth_ == 3 && inGroups_) {
            groupsValid_ = false;
        }
        ++depth_;
        return true;
    }

    bool end_array() {
        --depth_;
        if (depth_ == 2 && inGroups_) {
            inGroups_ = false;
            if (!groupsValid_) instance_.securityGroups.clear();
        }
        return true;
    }

    bool key(json::string_t& name) {
        if (depth_ == 2) {
            instanceField_ = fieldNamed(name);
            // The key's value replaces whatever an earlier occurrence gave.
            if (std::string* field = instanceString(instanceField_)) {
                field->clear();
            } else if (std::optional<std::string>* address = instanceAddress(instanceField_)) {
                address->reset();
            } else if (instanceField_ == Field::state) {
                instance_.state = EC2Instance{}.state;
            } else if (instanceField_ == Field::launchTime) {
                instance_.launchTime.reset();
            } else if (instanceField_ == Field::sgs) {
                instance_.securityGroups.clear();
            }
        } else if (depth_ == 4 && inGroup_) {
            groupField_ = fieldNamed(name);
            if (std::string* field = groupString(groupField_)) field->clear();
        }
        return true;
    }

    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& error) {
        throw error;
    }

    bool topIsScalar() const { return !topIsArray_ && !badShape_; }
    bool badShape() const { return badShape_; }
    std::vector<EC2Instance> takeInstances() { return std::move(instances_); }

private:
    enum class Field { other, id, name, state, type, sgs, publicIp, privateIp, launchTime, imageId, publicDns };

    static Field fieldNamed(const std::string& name) {
        if (name == "id") return Field::id;
        if (name == "name") return Field::name;
        if (name == "state") return Field::state;
        if (name == "type") return Field::type;
        if (name == "sgs") return Field::sgs;
        if (name == "publicIp") return Field::publicIp;
        if (name == "privateIp") return Field::privateIp;
        if (name == "launchTime") return Field::launchTime;
        if (name == "imageId") return Field::imageId;
        if (name == "publicDns") return Field::publicDns;
        return Field::other;
    }

    std::string* instanceString(Field field) {
        switch (field) {
            case Field::id: return &instance_.id;
            case Field::name: return &instance_.name;
            case Field::type: return &instance_.type;
            default: return nullptr;
        }
    }

    // The optional texts: the addresses, the image and the public name.
    std::optional<std::string>* instanceAddress(Field field) {
        switch (field) {
            case Field::publicIp: return &instance_.publicIPv4;
            case Field::privateIp: return &instance_.privateIPv4;
            case Field::imageId: return &instance_.imageID;
            case Field::publicDns: return &instance_.publicDNS;
            default: return nullptr;
        }
    }

    std::string* groupString(Field field) {
        SecurityGroup& group = instance_.securityGroups.back();
        switch (field) {
            case Field::id: return &group.id;
            case Field::name: return &group.name;
            default: return nullptr;
        }
    }

    // A value that is not a container; `text` is set when it is a string.
    bool scalar(json::string_t* text) {
        if (depth_ == 1) {
            badShape_ = true;
        } else if (depth_ == 2 && text) {
            if (std::string* field = instanceString(instanceField_)) {
                *field = std::move(*text);
            } else if (std::optional<std::string>* address = instanceAddress(instanceField_)) {
                *address = std::move(*text);
            } else if (instanceField_ == Field::state) {
                instance_.state = std::move(*text);
            } else if (instanceField_ == Field::launchTime) {
                instance_.launchTime = parseLaunchTime(*text);
            }
        } else if (depth_ == 3 && inGroups_) {
            groupsValid_ = false;
        } else if (depth_ == 4 && inGroup_ && text) {
            if (std::string* field = groupString(groupField_)) *field = std::move(*text);
        }
        return true;
    }

    int depth_ = 0;
    bool topIsArray_ = false;
    bool badShape_ = false;
    EC2Instance instance_;
    Field instanceField_ = Field::other;
    Field groupField_ = Field::other;
    bool inGroups_ = false;     // inside the "sgs" array of the current instance
    bool groupsValid_ = false;  // every element of that array so far is an object
    bool inGroup_ = false;      // directly inside one object of that array
    std::vector<EC2Instance> instances_;
};

InstanceState::Kind kindOf(std::string_view word) {
    if (word == "pending") return InstanceState::pending;
    if (word == "running") return InstanceState::running;
    if (word == "stopping") return InstanceState::stopping;
    if (word == "stopped") return InstanceState::stopped;
    if (word == "shutting-down") return InstanceState::shuttingDown;
    if (word == "terminated") return InstanceState::terminated;
    return InstanceState::other;
}

// Reads exactly `count` digits at `at` into `value`, moving `at` past them.
bool digits(std::string_view text, std::size_t& at, int count, int& value) {
    if (at + static_cast<std::size_t>(count) > text.size()) return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at++];
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool expect(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

InstanceState::InstanceState(std::string word) : word_(std::move(word)), kind_(kindOf(word_)) {}

std::optional<std::chrono::system_clock::time_point> parseLaunchTime(std::string_view text) {
    using namespace std::chrono;
    std::size_t at = 0;
    int y, mo, d, h, mi, s;
    if (!digits(text, at, 4, y) || !expect(text, at, '-') || !digits(text, at, 2, mo) || !expect(text, at, '-') ||
        !digits(text, at, 2, d) || !expect(text, at, 'T') || !digits(text, at, 2, h) || !expect(text, at, ':') ||
        !digits(text, at, 2, mi) || !expect(text, at, ':') || !digits(text, at, 2, s))
        return std::nullopt;
    if (at < text.size() && text[at] == '.') {
        const std::size_t first = ++at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
        if (at == first) return std::nullopt;
    }
    int offsetMinutes = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at++] == '-' ? -1 : 1;
        int oh, om;
        if (!digits(text, at, 2, oh)) return std::nullopt;
        expect(text, at, ':');
        if (!digits(text, at, 2, om) || oh > 23 || om > 59) return std::nullopt;
        offsetMinutes = sign * (oh * 60 + om);
    }
    if (at != text.size()) return std::nullopt;

    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 60) return std::nullopt;
    const sys_seconds moment = sys_days{date} + hours{h} + minutes{mi} + seconds{s} - minutes{offsetMinutes};
    // The clock counts in units far finer than seconds: a time beyond its range (a year such
    // as 9999) would wrap around into some other moment.
    using Clock = system_clock;
    if (moment > floor<seconds>(Clock::time_point::max()) || moment < ceil<seconds>(Clock::time_point::min()))
        return std::nullopt;
    return time_point_cast<Clock::duration>(moment);
}

std::string SecurityGroup::displayName() const { return name.empty() ? id : name + " (" + id + ")"; }

std::vector<EC2Instance> parseInstances(std::string_view json, const Collation& collation) {
    InstanceReader reader;
    nlohmann::json::sax_parse(json.begin(), json.end(), &reader);
    if (reader.topIsScalar()) {
        // Not a document: let the document reader throw its error for that.
        parseJSONDocument(json);
        throw AWSError::failed(UnexpectedShape{});
    }
    if (reader.badShape()) throw AWSError::failed(UnexpectedShape{});

    std::vector<EC2Instance> instances = reader.takeInstances();
    std::stable_sort(instances.begin(), instances.end(), [&](const EC2Instance& a, const EC2Instance& b) {
        return collation.less(a.sortKey(), b.sortKey());
    });
    return instances;
}

}  // namespace tamsel
