#include "foundation/FilePath.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <QDir>
#endif

namespace varno {
namespace {

TEST(FilePath, ExtendedLengthPathsAsWin32TakesThem)
{
    const std::vector<std::pair<std::wstring, std::wstring>> rows{
        {LR"(C:\Devis\4721.bmp)", LR"(\\?\C:\Devis\4721.bmp)"},
        {LR"(\\serveur\partage\Devis\4721.bmp)", LR"(\\?\UNC\serveur\partage\Devis\4721.bmp)"},
        {LR"(\\?\C:\Devis\4721.bmp)", LR"(\\?\C:\Devis\4721.bmp)"},
        {LR"(\\?\UNC\serveur\partage\a)", LR"(\\?\UNC\serveur\partage\a)"},
        {LR"(\\.\pipe\varno)", LR"(\\.\pipe\varno)"},
    };
    for (const auto& [full, extended] : rows) {
        EXPECT_EQ(extendedLengthPath(full), extended);
    }
#ifdef _WIN32
    // Made full first: relative to the current folder, "." and ".." resolved (which the prefix would keep).
    const std::wstring here = QDir::toNativeSeparators(QDir::currentPath()).toStdWString();
    EXPECT_EQ(win32Path(LR"(a\.\..\b.bmp)"), extendedLengthPath(here + LR"(\b.bmp)"));
#endif
}

} // namespace
} // namespace varno
