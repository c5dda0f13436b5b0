#include "collect/ToolRunner.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using orb::ToolRunner;

TEST(ToolRunner, ReturnsStandardOutput)
{
    EXPECT_EQ(ToolRunner::retSysCtlStringValue("/bin/echo", {"-n", "hw.model"}), QStringLiteral("hw.model"));
    // Arguments reach the program untouched: no shell in between.
    EXPECT_EQ(ToolRunner::retSysCtlStringValue("/bin/echo", {"a;", "$(id)", "`x`", "ü"}),
              QStringLiteral("a; $(id) `x` ü\n"));
}

TEST(ToolRunner, NothingOnEmptyOutputOrFailure)
{
    EXPECT_EQ(ToolRunner::retSysCtlStringValue("/bin/true"), std::nullopt);
    EXPECT_EQ(ToolRunner::retSysCtlStringValue("/nonexistent/tool", {"-n"}), std::nullopt);
    // Output on stderr only does not count.
    EXPECT_EQ(ToolRunner::retSysCtlStringValue("/bin/ls", {"/nonexistent-dir"}), std::nullopt);
    EXPECT_EQ(ToolRunner::retSysCtlStringValue("/bin/sh", {"-c", "echo partial; kill -SEGV $$"}), std::nullopt);
}

TEST(ToolRunner, StopsAToolThatHangs)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ToolRunner::retSysCtlStringValue("/bin/sleep", {"30"}, 300), std::nullopt);
    EXPECT_LT(timer.elapsed(), 2500);
}

TEST(ToolRunner, CapsEndlessOutput)
{
    QElapsedTimer timer;
    timer.start();
    const auto out = ToolRunner::retSysCtlStringValue("/usr/bin/yes", {}, 3000, 64 * 1024);
    EXPECT_LT(timer.elapsed(), 2500);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->size(), 64 * 1024);
    EXPECT_TRUE(out->startsWith(QStringLiteral("y\ny\n")));
}
