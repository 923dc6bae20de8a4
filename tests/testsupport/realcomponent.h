#pragma once
// What a test does when a real component it needs (Apache with mod_dav_svn,
// svn, apr-server, PostgreSQL) cannot start: it fails and says why. A
// developer who knowingly lacks the component sets APR_TEST_ALLOW_SKIP=1 and
// such tests are skipped instead, still saying why; CTest counts them as
// skipped, never as passed.
//
//     APR_REQUIRE_COMPONENT(server.start(APR_SERVER_BIN), "apr-server", server.why());
//
// in a test's body or its fixture's SetUp (it returns from there). The reason
// may be a QString, a std::string or a C string.
#include <QStandardPaths>
#include <QString>
#include <QtGlobal>
#include <gtest/gtest.h>
#include <string>

namespace testsupport {

inline constexpr const char *kAllowSkipVariable = "APR_TEST_ALLOW_SKIP";

// The exit status of a test program that skipped cases and failed none
// (SKIP_RETURN_CODE of the CTest entries that run a whole program).
inline constexpr int kSkippedExitCode = 77;

inline bool SkipAllowed()
{
    return qEnvironmentVariable(kAllowSkipVariable) == QLatin1String("1");
}

inline std::string Unavailable(const char *component, const QString &why)
{
    std::string text = std::string(component) + " cannot start: "
                       + (why.trimmed().isEmpty() ? std::string("no reason given") : why.trimmed().toStdString());
    if (!SkipAllowed())
        text += std::string("\n(a real component the test needs; ") + kAllowSkipVariable
                + "=1 skips such tests instead)";
    return text;
}
inline std::string Unavailable(const char *component, const std::string &why)
{
    return Unavailable(component, QString::fromStdString(why));
}
inline std::string Unavailable(const char *component, const char *why)
{
    return Unavailable(component, QString::fromUtf8(why));
}

inline bool SvnFound()
{
    return !QStandardPaths::findExecutable(QStringLiteral("svn")).isEmpty();
}

// RUN_ALL_TESTS() for a program CTest runs as one test: kSkippedExitCode when
// cases were skipped and none failed, so the skip shows in CTest's summary
// without hiding a failure.
inline int RunAllTestsCountingSkips()
{
    const int result = RUN_ALL_TESTS();
    if (result == 0 && ::testing::UnitTest::GetInstance()->skipped_test_count() > 0)
        return kSkippedExitCode;
    return result;
}

}

#define APR_REQUIRE_COMPONENT(available, component, why)                                                 \
    switch (0)                                                                                           \
    case 0:                                                                                              \
    default:                                                                                             \
        if (available) {                                                                                 \
        } else if (::testsupport::SkipAllowed())                                                         \
            GTEST_SKIP() << ::testsupport::Unavailable(component, why);                                  \
        else                                                                                             \
            FAIL() << ::testsupport::Unavailable(component, why)
