// Reading the instance query's output into records: defaults, filtering, shape errors, and
// the state and launch time read into what they mean.

#include <gtest/gtest.h>

#include <random>

#include <nlohmann/json.hpp>

#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"
#include "support/FailurePrinting.h"
#include "support/PlainInstanceReading.h"
#include "bridge/JSONDocument.h"

namespace tamsel {

void PrintTo(const SecurityGroup& g, std::ostream* os) { *os << "{" << g.id << "|" << g.name << "}"; }
void PrintTo(const EC2Instance& i, std::ostream* os) {
    *os << "{" << i.id << "|" << i.name << "|" << i.state.word() << "|" << i.type << "|"
        << testing::PrintToString(i.securityGroups) << "|" << testing::PrintToString(i.publicIPv4) << "|"
        << testing::PrintToString(i.privateIPv4) << "|"
        << (i.launchTime ? std::to_string(i.launchTime->time_since_epoch().count()) : "-") << "}";
}

namespace {

std::vector<EC2Instance> parse(std::string_view json) { return parseInstances(json, Collation("en_US.UTF-8")); }

std::vector<std::string> ids(const std::vector<EC2Instance>& instances) {
    std::vector<std::string> out;
    for (const EC2Instance& i : instances) out.push_back(i.id);
    return out;
}

TEST(ParseInstancesTest, ReadsEveryFieldAndKeepsGroupOrder) {
    const auto instances = parse(R"([{"id":"i-1","state":"running","type":"t3.micro","name":"web",
        "sgs":[{"id":"sg-2","name":"ssh"},{"id":"sg-1","name":""}],
        "publicIp":"54.214.191.68","privateIp":"10.250.18.182"}])");
    ASSERT_EQ(instances.size(), 1u);
    const EC2Instance expected{"i-1",           "web",          "running", "t3.micro", {{"sg-2", "ssh"}, {"sg-1", ""}},
                               "54.214.191.68", "10.250.18.182"};
    EXPECT_EQ(instances[0], expected);
    EXPECT_EQ(instances[0].securityGroups[0].displayName(), "ssh (sg-2)");
    EXPECT_EQ(instances[0].securityGroups[1].displayName(), "sg-1");
}

TEST(ParseInstancesTest, EmptyArrayIsNoInstances) { EXPECT_TRUE(parse("[]").empty()); }

TEST(ParseInstancesTest, MissingOrWronglyTypedFieldsTakeDefaults) {
    const auto instances = parse(R"([
        {},
        {"id":7,"name":null,"state":true,"type":["t3"],"sgs":{"id":"sg-1"},"publicIp":null,"privateIp":167772161},
        {"id":"i-3","sgs":[{"id":5,"name":null},{}],"publicIp":["54.1.2.3"],"privateIp":{"ip":"10.0.0.1"}},
        {"id":"i-4","state":"stopped","privateIp":"10.0.0.4"}
    ])");
    ASSERT_EQ(instances.size(), 4u);
    // The two without an id or name sort first (empty key), in input order.
    EXPECT_EQ(instances[0], (EC2Instance{"", "", "unknown", "", {}}));
    EXPECT_EQ(instances[1], (EC2Instance{"", "", "unknown", "", {}}));
    EXPECT_EQ(instances[2], (EC2Instance{"i-3", "", "unknown", "", {{"", ""}, {"", ""}}}));
    // A stopped instance keeps its private address and has no public one.
    EXPECT_EQ(instances[3], (EC2Instance{"i-4", "", "stopped", "", {}, std::nullopt, "10.0.0.4"}));
}

TEST(ParseInstancesTest, UnnamedInstanceKeepsItsGroups) {
    const auto instances = parse(R"([{"id":"i-9","state":"stopped","name":null,"sgs":[{"id":"sg-1","name":"web"}]}])");
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_EQ(instances[0].name, "");
    EXPECT_EQ(instances[0].sortKey(), "i-9");
    EXPECT_EQ(instances[0].securityGroups, (std::vector<SecurityGroup>{{"sg-1", "web"}}));
}

TEST(ParseInstancesTest, GroupsCountOnlyAsAnArrayOfObjects) {
    const auto instances = parse(R"([
        {"id":"i-1","sgs":null},
        {"id":"i-2","sgs":[{"id":"sg-1","name":"a"},"sg-2"]},
        {"id":"i-3","sgs":"sg-3"},
        {"id":"i-4","sgs":[]}
    ])");
    ASSERT_EQ(instances.size(), 4u);
    for (const EC2Instance& i : instances) EXPECT_TRUE(i.securityGroups.empty()) << i.id;
}

TEST(ParseInstancesTest, DropsExactlyTerminated) {
    const auto instances = parse(R"([
        {"id":"i-1","state":"terminated"},
        {"id":"i-2","state":"shutting-down"},
        {"id":"i-3","state":"Terminated"},
        {"id":"i-4"},
        {"id":"i-5","state":"terminated "}
    ])");
    EXPECT_EQ(ids(instances), (std::vector<std::string>{"i-2", "i-3", "i-4", "i-5"}));
    EXPECT_EQ(instances[2].state.word(), "unknown");
}

TEST(ParseInstancesTest, StateWordsMeanTheirKindOnlyWhenExact) {
    using Kind = InstanceState::Kind;
    const struct {
        const char* word;
        Kind kind;
    } cases[] = {{"pending", Kind::pending},
                 {"running", Kind::running},
                 {"stopping", Kind::stopping},
                 {"stopped", Kind::stopped},
                 {"shutting-down", Kind::shuttingDown},
                 {"Running", Kind::other},
                 {"running ", Kind::other},
                 {"shutting_down", Kind::other},
                 {"unknown", Kind::other},
                 {"", Kind::other}};
    for (const auto& c : cases) {
        const auto instances = parse(std::string(R"([{"id":"i-1","state":")") + c.word + R"("}])");
        ASSERT_EQ(instances.size(), 1u) << c.word;
        EXPECT_EQ(instances[0].state.word(), c.word);
        EXPECT_TRUE(instances[0].state == c.kind) << c.word;
    }
    // A listing without a state: shown as "unknown", which means nothing known.
    EXPECT_TRUE(parse(R"([{"id":"i-1"}])")[0].state == Kind::other);
    EXPECT_TRUE(InstanceState("terminated") == Kind::terminated);
}

TEST(ParseInstancesTest, LaunchTimesAreReadAsTheMomentTheyName) {
    using namespace std::chrono;
    const auto day = sys_days{2026y / 12 / 8};
    const struct {
        const char* text;
        std::optional<system_clock::time_point> moment;
    } cases[] = {
        {"2026-12-08T11:01:00+00:00", day + 11h + 1min},
        {"2026-12-08T11:59:30Z", day + 11h + 59min + 30s},
        {"2026-12-08T11:00:00.000Z", day + 11h},
        {"2026-12-08T17:48:00+09:00", day + 8h + 48min},
        {"2026-12-07T12:01:00+0000", day - 12h + 1min},
        {"2026-12-08T02:00:00-05:30", day + 7h + 30min},
        {"yesterday", std::nullopt},
        {"2026-02-30T10:00:00Z", std::nullopt},
        {"2026-12-08T24:00:00Z", std::nullopt},
        {"2026-12-08T10:00:00+24:00", std::nullopt},
        {"2026-12-08T10:00:00.Z", std::nullopt},
        {"2026-12-08T10:00:00+00:00 ", std::nullopt},
        {"2026-12-08 10:00:00", std::nullopt},
        {"9999-12-31T23:59:59Z", std::nullopt},  // beyond the clock: it would wrap around
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseLaunchTime(c.text), c.moment) << c.text;
        const auto instances = parse(std::string(R"([{"id":"i-1","launchTime":")") + c.text + R"("}])");
        EXPECT_EQ(instances.at(0).launchTime, c.moment) << c.text;
    }
    EXPECT_FALSE(parse(R"([{"id":"i-1","launchTime":1765184460}])")[0].launchTime.has_value());
}

TEST(ParseInstancesTest, WrongShapeIsAnUnexpectedResponse) {
    for (const char* json : {R"({"id":"i-1"})", R"([{"id":"i-1"},3])", R"([[]])", R"([{"id":"i-1"},null])", R"({})"}) {
        try {
            parse(json);
            ADD_FAILURE() << "accepted " << json;
        } catch (const AWSError& error) {
            EXPECT_EQ(error, AWSError::failed(UnexpectedShape{})) << json;
        }
    }
}

TEST(ParseInstancesTest, TextThatIsNotADocumentIsAParseError) {
    for (const char* text :
         {"", "not json", "[{\"id\":\"i-1\"}", "null", "3", "\"i-1\"", "true", "[] trailing", "[{\"id\":\"i-1\",}]"}) {
        EXPECT_THROW(parse(text), nlohmann::json::parse_error) << text;
    }
}

TEST(ParseInstancesTest, RepeatedKeysTakeTheLastValue) {
    const auto instances = parse(R"([
        {"id":"i-1","id":"i-2","name":"a","name":null,"state":"running","state":5},
        {"id":"i-3","sgs":[{"id":"sg-1"}],"sgs":[{"id":"sg-2","id":3}]},
        {"id":"i-4","state":"running","state":"terminated"},
        {"id":"i-5","publicIp":"54.1.2.3","publicIp":null,"privateIp":7,"privateIp":"10.0.0.5"}
    ])");
    EXPECT_EQ(instances, (std::vector<EC2Instance>{{"i-2", "", "unknown", "", {}},
                                                   {"i-3", "", "unknown", "", {{"", ""}}},
                                                   {"i-5", "", "unknown", "", {}, std::nullopt, "10.0.0.5"}}));
}

// Random listings, mostly of the right shape, with every kind of value in every place.
class ListingGenerator {
public:
    explicit ListingGenerator(unsigned seed) : random_(seed) {}

    nlohmann::json listing() {
        if (chance(5)) return value(2);
        nlohmann::json list = nlohmann::json::array();
        for (int i = pick(5); i > 0; --i) list.push_back(chance(8) ? value(2) : instance());
        return list;
    }

private:
    bool chance(int oneIn) { return random_() % static_cast<unsigned>(oneIn) == 0; }
    int pick(int below) { return static_cast<int>(random_() % static_cast<unsigned>(below)); }

    nlohmann::json text() {
        static const char* const kTexts[] = {"i-1",     "i-2", "web",      "Web",      "terminated",
                                             "running", "",    "サーバー", "10.0.0.1", "2026-12-08T09:41:00Z"};
        return kTexts[pick(10)];
    }

    nlohmann::json value(int depth) {
        switch (pick(depth > 0 ? 8 : 6)) {
            case 0: return nullptr;
            case 1: return true;
            case 2: return -3;
            case 3: return 2.5;
            case 4:
            case 5: return text();
            case 6: {
                nlohmann::json array = nlohmann::json::array();
                for (int i = pick(3); i > 0; --i) array.push_back(chance(2) ? group(depth - 1) : value(depth - 1));
                return array;
            }
            default: return group(depth - 1);
        }
    }

    nlohmann::json group(int depth) {
        nlohmann::json object = nlohmann::json::object();
        for (const char* key : {"id", "name", "other"}) {
            if (!chance(4)) object[key] = chance(4) ? value(depth) : text();
        }
        return object;
    }

    nlohmann::json instance() {
        nlohmann::json object = nlohmann::json::object();
        for (const char* key : {"id", "name", "state", "type", "publicIp", "privateIp", "launchTime", "other"}) {
            if (!chance(5)) object[key] = chance(4) ? value(2) : text();
        }
        if (!chance(5)) {
            nlohmann::json sgs = nlohmann::json::array();
            for (int i = pick(4); i > 0; --i) sgs.push_back(chance(6) ? value(2) : group(2));
            object["sgs"] = chance(6) ? value(2) : sgs;
        }
        return object;
    }

    std::mt19937 random_;
};

TEST(ParseInstancesTest, ReadsAsTheWholeDocumentWould) {
    const Collation collation("en_US.UTF-8");
    ListingGenerator generator(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text = generator.listing().dump();
        if (round % 10 == 0) text.pop_back();  // now cut short: a parse error either way
        std::string expected, actual;
        try {
            expected = testing::PrintToString(test::readThroughDocument(text, collation));
        } catch (const std::exception& error) {
            expected = std::string("throws ") + typeid(error).name() + ": " + error.what();
        }
        try {
            actual = testing::PrintToString(parseInstances(text, collation));
        } catch (const std::exception& error) {
            actual = std::string("throws ") + typeid(error).name() + ": " + error.what();
        }
        ASSERT_EQ(actual, expected) << text;
    }
}

}  // namespace
}  // namespace tamsel
