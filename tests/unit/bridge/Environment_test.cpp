#include "bridge/Environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace tamsel {
namespace {

using Variables = std::map<std::string, std::string>;

struct PathCase {
    const char* name;
    std::optional<std::string> inherited;
    std::string expected;
};

class ChildPath : public testing::TestWithParam<PathCase> {};

TEST_P(ChildPath, AppendsTheToolDirectoriesAfterTheInheritedOnes) {
    Environment parent(Variables{{"HOME", "/home/someone"}});
    if (GetParam().inherited) parent.set("PATH", *GetParam().inherited);

    const Environment child = parent.forChild();

    EXPECT_EQ(child.get("PATH"), GetParam().expected);
    EXPECT_EQ(child.get("HOME"), "/home/someone");
    EXPECT_EQ(parent.get("PATH"), GetParam().inherited) << "the parent's environment stays as it was";
}

INSTANTIATE_TEST_SUITE_P(Cases, ChildPath,
                         testing::Values(PathCase{"absent", std::nullopt, kToolSearchPath},
                                         PathCase{"empty", "", std::string(":") + kToolSearchPath},
                                         PathCase{"set", "/home/someone/bin:/usr/bin",
                                                  std::string("/home/someone/bin:/usr/bin:") + kToolSearchPath}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChildEnvironment, NeverPagesNorPromptsWhateverTheUserSet) {
    const Environment user(Variables{{"AWS_PAGER", "less -R"}, {"AWS_CLI_AUTO_PROMPT", "on"}});
    for (const Environment& child : {user.forChild(), Environment().forChild()}) {
        EXPECT_EQ(child.get("AWS_PAGER"), "");
        EXPECT_EQ(child.get("AWS_CLI_AUTO_PROMPT"), "off");
    }
}

TEST(Environment, CurrentCopiesThisProcessEnvironment) {
    ASSERT_EQ(setenv("ORVANE_TEST_VALUE", "a=b c", 1), 0);
    ASSERT_EQ(unsetenv("ORVANE_TEST_ABSENT"), 0);

    const Environment environment = Environment::current();

    EXPECT_EQ(environment.get("ORVANE_TEST_VALUE"), "a=b c");
    EXPECT_EQ(environment.get("ORVANE_TEST_ABSENT"), std::nullopt);
    unsetenv("ORVANE_TEST_VALUE");
}

}  // namespace
}  // namespace tamsel
