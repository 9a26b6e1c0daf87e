#include "foundation/FilePath.h"

#include <QDir>

#include <gtest/gtest.h>

namespace varno {
namespace {

TEST(FilePath, ExtendedLengthPathsAsWin32TakesThem)
{
    for (const auto& [full, extended] : {std::pair{LR"(C:\Devis\4721.bmp)", LR"(\\?\C:\Devis\4721.bmp)"},
                                         {LR"(\\serveur\partage\4721.bmp)", LR"(\\?\UNC\serveur\partage\4721.bmp)"},
                                         {LR"(\\?\C:\Devis\4721.bmp)", LR"(\\?\C:\Devis\4721.bmp)"},
                                         {LR"(\\.\pipe\varno)", LR"(\\.\pipe\varno)"}}) {
        EXPECT_EQ(extendedLengthPath(full), extended);
    }
#ifdef _WIN32
    // Made full first: "." and ".." resolved, which the prefix would keep as names.
    const std::wstring here = QDir::toNativeSeparators(QDir::currentPath()).toStdWString();
    EXPECT_EQ(win32Path(LR"(a\.\..\b.bmp)"), extendedLengthPath(here + LR"(\b.bmp)"));
#endif
}

} // namespace
} // namespace varno
