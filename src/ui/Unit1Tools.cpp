#include "ui/Unit1.h"

#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/PartLine.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <climits>

// Maintenance tools: reshape the part list and dump it to a fixed file.

using namespace korvane;

void TForm1::Button4Click()
{
    Group->clearEntries();
    Group->setText(QString());
    Group->setEntries(groupNamesFromListedFiles(CurrentGroup->entries()));
}

void TForm1::Button5Click()
{
    const CodeAndDescription split = splitCodeAndDescription(statusText());
    newCode->setText(split.code);
    newcomment->setPlainText(split.description);
}

void TForm1::Button6Click()
{
    // The memo's text as Windows holds it: its lines joined by CR LF, in one
    // list line. The raw text, because the plain one turns no-break spaces
    // (byte 0xA0 of a catalog line) into spaces; the document keeps its line
    // breaks as paragraph and line separators.
    QString text = newcomment->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    if (fl1->lineCount() == INT_MAX)
        throw Failure(QStringLiteral("Unable to insert a line"));
    fl1->appendLine(text);
}

void TForm1::Button7Click()
{
    writeCatalogLines(paths::partListDump(), fl1->catalogLines());
}

void TForm1::BitBtn3Click()
{
    // The button has no effect.
}

void TForm1::CheckBox2Click()
{
    // Follows the search-mode check box, not its own state; the next resize
    // sets the list's height again.
    if (CheckBox1->isChecked())
        fl1->resize(fl1->width(), 560);
}
