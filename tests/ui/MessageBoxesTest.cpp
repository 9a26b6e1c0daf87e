#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
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

} // namespace
} // namespace varno
