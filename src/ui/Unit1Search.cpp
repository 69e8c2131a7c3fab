#include "ui/Unit1.h"

#include "catalog/PartSearch.h"
#include "platform/PartListBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

// Part search: the prefix search of savnam, and the substring search of the
// edit find, which nothing shows.

using namespace korvane;

void TForm1::SelectPartByPrefix(const QString &Text)
{
    fl1->selectFirstLineStartingWith(Text);
}

void TForm1::savnamKeyPress(QChar)
{
    // Runs before the edit applies the key, so it searches the text as it was:
    // the search lags one key behind the typing.
    SelectPartByPrefix(savnam->text());
}

void TForm1::findKeyPress(QChar Key)
{
    if (Key == QChar(13) && find->text().isEmpty())
        find->hide();
    if (!find->text().isEmpty())
        fl1->viewport()->update();

    // Letter case counts here. The scan does not stop at a match: the last
    // line of the range that holds the text ends selected.
    const SubstringMatcher needle(find->text());
    const CatalogLines &lines = fl1->catalogLines();
    const int count = fl1->lineCount();
    for (int i = substringSearchStart(fl1->selectedIndex(), count); i < count; ++i) {
        if (needle.holds(lines, i)) {
            fl1->selectLine(i);
            Label1->setText(lines.line(i));
        }
    }
}

void TForm1::findDblClick()
{
    find->setText(QString());
}

void TForm1::CheckBox1Click()
{
    if (CheckBox1->isChecked()) {
        find->show();
    } else {
        savnam->show();
        find->hide();
    }
}
