// Reading the instance query's output into records: defaults, filtering, shape errors.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"

namespace tamsel {
namespace {

std::vector<EC2Instance> parse(std::string_view json) { return parseInstances(json, Collation("en_US.UTF-8")); }

std::vector<std::string> ids(const std::vector<EC2Instance>& instances) {
    std::vector<std::string> out;
    for (const EC2Instance& i : instances) out.push_back(i.id);
    return out;
}

TEST(ParseInstancesTest, ReadsEveryFieldAndKeepsGroupOrder) {
    const auto instances = parse(R"([{"id":"i-1","state":"running","type":"t3.micro","name":"web",
        "sgs":[{"id":"sg-2","name":"ssh"},{"id":"sg-1","name":""}]}])");
    ASSERT_EQ(instances.size(), 1u);
    const EC2Instance expected{"i-1", "web", "running", "t3.micro", {{"sg-2", "ssh"}, {"sg-1", ""}}};
    EXPECT_EQ(instances[0], expected);
    EXPECT_EQ(instances[0].securityGroups[0].displayName(), "ssh (sg-2)");
    EXPECT_EQ(instances[0].securityGroups[1].displayName(), "sg-1");
}

TEST(ParseInstancesTest, EmptyArrayIsNoInstances) { EXPECT_TRUE(parse("[]").empty()); }

TEST(ParseInstancesTest, MissingOrWronglyTypedFieldsTakeDefaults) {
    const auto instances = parse(R"([
        {},
        {"id":7,"name":null,"state":true,"type":["t3"],"sgs":{"id":"sg-1"}},
        {"id":"i-3","sgs":[{"id":5,"name":null},{}]}
    ])");
    ASSERT_EQ(instances.size(), 3u);
    // The two without an id or name sort first (empty key), in input order.
    EXPECT_EQ(instances[0], (EC2Instance{"", "", "unknown", "", {}}));
    EXPECT_EQ(instances[1], (EC2Instance{"", "", "unknown", "", {}}));
    EXPECT_EQ(instances[2], (EC2Instance{"i-3", "", "unknown", "", {{"", ""}, {"", ""}}}));
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
    EXPECT_EQ(instances[2].state, "unknown");
}

TEST(ParseInstancesTest, WrongShapeIsAnUnexpectedResponse) {
    for (const char* json : {R"({"id":"i-1"})", R"([{"id":"i-1"},3])", R"([[]])", R"([{"id":"i-1"},null])",
                             R"({})"}) {
        try {
            parse(json);
            ADD_FAILURE() << "accepted " << json;
        } catch (const AWSError& error) {
            EXPECT_EQ(error, AWSError::failed("想定外のレスポンスです")) << json;
        }
    }
}

TEST(ParseInstancesTest, TextThatIsNotADocumentIsAParseError) {
    for (const char* text : {"", "not json", "[{\"id\":\"i-1\"}", "null", "3", "\"i-1\"", "true",
                             "[] trailing", "[{\"id\":\"i-1\",}]"}) {
        EXPECT_THROW(parse(text), nlohmann::json::parse_error) << text;
    }
}

}  // namespace
}  // namespace tamsel
