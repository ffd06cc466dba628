#pragma once

#include "platformservices.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>

// Records what the window asked of the platform instead of doing it.
class FakeServices final : public ui::PlatformServices
{
public:
    struct Message
    {
        QString title;
        QString text;
    };

    // What happened, in order of the calls.
    QList<Message> messages;
    QStringList editorStarts;
    QList<QUrl> openedUrls;

    // What the fake answers; an empty failure means success.
    QString clipboard;
    QString editorFailure;
    QString browserFailure;

    // Runs while a message is "on screen", before showMessage returns, so a
    // test can check what had already happened when the user pressed OK.
    std::function<void(const Message &)> whileMessageShown;

    void showMessage(QWidget *, const QString &title, const QString &text) override
    {
        messages.append({title, text});
        if (whileMessageShown)
            whileMessageShown(messages.last());
    }
    QString clipboardText() const override { return clipboard; }
    QString startEditor(const QString &fileName) override
    {
        editorStarts.append(fileName);
        return editorFailure;
    }
    QString openInBrowser(const QUrl &url) override
    {
        openedUrls.append(url);
        return browserFailure;
    }
};
