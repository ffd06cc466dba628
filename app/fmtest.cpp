#include "fmtest.h"

#include "keywordfile.h"

#include <QListWidget>

fmTest::fmTest(QWidget *parent) : QWidget(parent)
{
    setupUi(this);
}

void fmTest::load()
{
    keywords::EnsureKeywordFile();
    QStringList entries;
    keywords::LoadKeywordList(entries);
    List1->addItems(entries);
}
