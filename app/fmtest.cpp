#include "fmtest.h"

#include "credit.h"
#include "defaulttable.h"
#include "findingsinformula.h"
#include "formuladrop.h"
#include "keywordfile.h"
#include "messages.h"
#include "platformservices.h"
#include "scan.h"
#include "widgetviews.h"

#include <QAccessible>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

fmTest::fmTest(ui::PlatformServices &services, QWidget *parent)
    : QWidget(parent), services_(services)
{
    setupUi(this);
    findings_ = new FindingsInFormula(*txtCode, *Text1, *btnMissed, *lblVerdict, this);
    // Connected after the build has set the credit text, so that is no change.
    connect(btnTest, &QPushButton::clicked, this, &fmTest::detect);
    connect(Command4, &QPushButton::clicked, this, &fmTest::clearFormula);
    connect(Command5, &QPushButton::clicked, this, &fmTest::pasteFormula);
    connect(CMD2, &QPushButton::clicked, this, &fmTest::reloadKeywords);
    connect(Command2, &QPushButton::clicked, this, &fmTest::editKeywords);
    connect(txtMy, &QLineEdit::textChanged, this, &fmTest::openHomepage);
    new FormulaDrop(*txtCode, [this](const QString &text) { tell(text); });
}

void fmTest::load()
{
    QStringList entries;
    keywords::FileError error = keywords::EnsureKeywordFile();
    if (!error)
        error = keywords::LoadKeywordList(entries);
    if (error) {
        // An empty list would report every formula as clean.
        entries = keywords::DefaultKeywordTable();
        tell(ui::KeywordFileUnusable(error.reason));
    }
    showKeywords(entries);
}

void fmTest::openArguments(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return;
    QString refusal;
    if (arguments.size() > 1) {
        refusal = ui::FormulaFileNotLoaded(arguments.join(QStringLiteral(", ")) +
                                           QStringLiteral(": open one file at a time"));
    } else if (arguments.first().startsWith(u'-')) {
        refusal = ui::FormulaFileNotLoaded(
            arguments.first() + QStringLiteral(": the program takes no options, only a file"));
    } else {
        refusal = LoadFormulaFile(*txtCode, QDir::toNativeSeparators(arguments.first()));
    }
    if (!refusal.isEmpty())
        tell(refusal);
}

void fmTest::detect()
{
    ui::KeywordListWidgetView list(*List1);
    const ui::FormulaTextEditView formula(*txtCode);
    ui::ResultTextEditView result(*Text1);
    const QString before = Text1->toPlainText();
    findings_->show(scanner_.scan(list, formula, result));
    // Screen readers are told the result once, as the box's new text.
    QAccessibleTextUpdateEvent announcement(Text1, 0, before, Text1->toPlainText());
    QAccessible::updateAccessibility(&announcement);
}

void fmTest::clearFormula()
{
    txtCode->setPlainText(QString());
}

void fmTest::pasteFormula()
{
    txtCode->setPlainText(services_.clipboardText());
}

void fmTest::reloadKeywords()
{
    QStringList entries;
    if (const keywords::FileError error = keywords::LoadKeywordList(entries)) {
        tell(ui::KeywordFileNotReloaded(error.reason));
        return;
    }
    showKeywords(entries);
    findings_->forget(); // they were found by the old list
}

void fmTest::editKeywords()
{
    tell(ui::EditHint());
    if (const QString failure =
            services_.startEditor(QString::fromLatin1(keywords::kKeywordFileName));
        !failure.isEmpty())
        tell(failure);
}

void fmTest::openHomepage()
{
    if (const QString failure = services_.openInBrowser(ui::Credit::FromBuild().homepage);
        !failure.isEmpty())
        tell(failure);
}

void fmTest::showKeywords(const QStringList &entries)
{
    List1->clear();
    List1->addItems(entries);
    List1->setCurrentRow(-1, QItemSelectionModel::Clear);
}

void fmTest::tell(const QString &text)
{
    services_.showMessage(this, ui::ApplicationTitle(), text);
}
