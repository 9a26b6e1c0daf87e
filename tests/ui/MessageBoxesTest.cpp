#include "ui/MessageBoxes.h"
#include "foundation/FilePath.h"
#include "foundation/SecretMask.h"
#include "tests/support/Recorders.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace varno {
namespace {

// A server's text or a path shown in a box is never read as markup.
TEST(MessageBoxes, ShowTheirTextAsPlainText)
{
    const std::string text = "<b>Erreur</b> pour C:\\<Devis>\\a&amp;b\nligne 2";
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
                shown = box->text();
                format = box->textFormat();
                box->accept();
            }
        }
    });
    reader.start(10);
    MessageBoxUserMessages messages;
    messages.showError(text);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown.toStdString(), text);
}

// A server may echo a secret into any text a message tells: the person never sees it.
TEST(MessageBoxes, ShowNoSecret)
{
    keepSecret("Sbx-Pass#2026!x");
    const QTemporaryDir folder;
    const std::filesystem::path log = pathFromQString(QDir(folder.path()).filePath("messages.log"));
    FileUserMessages(log).showError("La requête GET vers https://h/echo/Sbx-Pass%232026%21x a échoué");
    EXPECT_EQ(test::readFileBytes(pathToUtf8(log)), "error:\nLa requête GET vers https://h/echo/••• a échoué\n\n");
}

} // namespace
} // namespace varno
