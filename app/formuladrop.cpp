#include "formuladrop.h"

#include "messages.h"
#include "textfile.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>

namespace {

// The local files a drag carries; none when it carries anything else too.
QStringList LocalFiles(const QMimeData *data)
{
    if (data == nullptr || !data->hasUrls())
        return {};
    QStringList files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files.append(QDir::toNativeSeparators(url.toLocalFile()));
    }
    return files;
}

} // namespace

QString LoadFormulaFile(QPlainTextEdit &edit, const QString &path)
{
    const keywords::TextFile file = keywords::ReadTextFile(path, FormulaDrop::kMaxBytes);
    if (!file.failure.isEmpty())
        return ui::FormulaFileNotLoaded(path + QStringLiteral(": ") + file.failure);
    edit.setPlainText(file.text);
    return {};
}

FormulaDrop::FormulaDrop(QPlainTextEdit &edit, std::function<void(const QString &)> tell)
    : QObject(&edit), edit_(edit), tell_(std::move(tell))
{
    // Drops land on the viewport, or on the box where the viewport takes none.
    edit.installEventFilter(this);
    edit.viewport()->installEventFilter(this);
}

bool FormulaDrop::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    // QDragEnterEvent and QDragMoveEvent are drop events too.
    auto *drop = static_cast<QDropEvent *>(event);
    const QStringList files = LocalFiles(drop->mimeData());
    if (files.isEmpty())
        return false;
    // Accepted even when they will be refused, so that the drop says why.
    // Always a copy: a move would have the source delete the file.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    // Loaded once the drop is over: a message box inside it would hold up
    // the program the file came from until the user closes it.
    if (type == QEvent::Drop)
        QMetaObject::invokeMethod(
            this, [this, files] { load(files); }, Qt::QueuedConnection);
    return true;
}

void FormulaDrop::load(const QStringList &files)
{
    if (files.size() > 1) {
        tell_(ui::FormulaFileNotLoaded(files.join(QStringLiteral(", ")) +
                                       QStringLiteral(": drop one file at a time")));
        return;
    }
    if (const QString refusal = LoadFormulaFile(edit_, files.first()); !refusal.isEmpty())
        tell_(refusal);
}
