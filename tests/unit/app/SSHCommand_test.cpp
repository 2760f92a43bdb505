#include "app/SSHCommand.h"

#include <gtest/gtest.h>

#include "bridge/ChildProcess.h"
#include "support/TempDir.h"

namespace tamsel {
namespace {

using Variables = std::map<std::string, std::string>;

using namespace std::chrono_literals;

TEST(SSHCommand, TheImageNameTellsTheUserItsInstancesLogInAs) {
    const struct {
        std::string imageName;
        std::string user;
    } cases[] = {
        {"al2023-ami-2023.6.20241212.0-kernel-6.1-x86_64", "ec2-user"},
        {"amzn2-ami-hvm-2.0.20241113.1-x86_64-gp2", "ec2-user"},
        {"ubuntu/images/hvm-ssd-gp3/ubuntu-noble-24.04-amd64-server-20241206", "ubuntu"},
        {"debian-12-amd64-20241201-1948", "admin"},
        {"Fedora-Cloud-Base-AmazonEC2.x86_64-41-1.4", "fedora"},
        {"CentOS-7-2111-20220825_1.x86_64", "centos"},
        {"RHEL-9.4.0_HVM-20240605-x86_64-82-Hourly2-GP3", "ec2-user"},
        {"suse-sles-15-sp6-v20241113-hvm-ssd-x86_64", "ec2-user"},
        {"OL9.4-x86_64-HVM-2024-06-20", "ec2-user"},
        // Bitnami's names hold the system beneath.
        {"bitnami-wordpress-6.7.1-0-r01-linux-debian-12-x86_64-hvm-ebs-nami", "bitnami"},
        {"my-golden-image", "ec2-user"},
        {"", "ec2-user"},
    };
    for (const auto& c : cases) EXPECT_EQ(defaultUserForImage(c.imageName), c.user) << c.imageName;
}

TEST(SSHCommand, TheCopiedLineGivesSSHTheSameWordsAndVariablesWhenPastedIntoAShell) {
    const test::TempDir dir;
    test::writeTool(dir, "bin/ssh", "printf '%s|%s|%s\\n' \"$AWS_PROFILE\" \"$AWS_REGION\" \"$*\"");
    const Environment shell(Variables{{"PATH", (dir / "bin").string() + ":/usr/bin:/bin"}});
    const struct {
        SSHCommand command;
        std::string line;
    } cases[] = {
        {{"dev", "ap-northeast-1", "i-0123456789abcdef0"},
         "AWS_PROFILE=dev AWS_REGION=ap-northeast-1 ssh i-0123456789abcdef0"},
        {{std::nullopt, std::nullopt, "ec2-user@ec2-1-2-3-4.compute.amazonaws.com"},
         "ssh ec2-user@ec2-1-2-3-4.compute.amazonaws.com"},
        {{"it's my $(profile) `x`", std::nullopt, "i-1"}, "AWS_PROFILE='it'\\''s my $(profile) `x`' ssh i-1"},
        {{"", "eu-west-1", "i-1"}, "AWS_PROFILE='' AWS_REGION=eu-west-1 ssh i-1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.command.shellLine(), c.line);
        const auto ran = runProcess("/bin/sh", {"-c", c.command.shellLine()}, shell, 10s);
        EXPECT_EQ(ran.output, c.command.profile.value_or("") + "|" + c.command.region.value_or("") + "|" +
                                  c.command.destination + "\n")
            << c.line;
    }
}

}  // namespace
}  // namespace tamsel
