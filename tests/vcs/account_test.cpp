#include "vcs/account.h"
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

TEST(OperatingSystemUser, IsTheEffectiveAccountWhateverUserSays)
{
    const QByteArray saved = qgetenv("USER");
    qputenv("USER", "alguem-que-nao-existe");
    const QString name = vcs::OperatingSystemUser();
    qputenv("USER", saved);
    const passwd *entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(name, QString::fromLocal8Bit(entry->pw_name));
}
