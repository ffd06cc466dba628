#pragma once

#include "textfile.h"

#include <QObject>
#include <QStringList>

#include <functional>

class QPlainTextEdit;

// Replaces the formula in `edit` with the text of the file at `path`, decoded
// as code.ini is; a file that is not one readable text file of at most
// kMaxFormulaBytes is refused, the formula stays, and the message that says
// why is returned. Empty when the file was loaded.
QString LoadFormulaFile(QPlainTextEdit &edit, const QString &path);

// Lets a file dropped on the formula box replace the formula with its text,
// decoded as code.ini is, the way "粘贴" replaces it with the clipboard's.
// Anything but one readable text file of at most kMaxBytes is refused with a
// message through `tell`, and the formula stays. Drops of anything but local
// files, such as text, are left to the box.
class FormulaDrop final : public QObject
{
public:
    static constexpr qint64 kMaxBytes = keywords::kMaxFormulaBytes;

    // Watches `edit` and its viewport, which it is owned by.
    FormulaDrop(QPlainTextEdit &edit, std::function<void(const QString &)> tell);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load(const QStringList &files);

    QPlainTextEdit &edit_;
    std::function<void(const QString &)> tell_;
};
