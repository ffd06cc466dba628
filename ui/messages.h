#pragma once

#include <QString>

namespace ui {

// Shown before the keyword file opens in the editor: call-form entries need
// their "$", and the list changes only on reload.
inline QString EditHint()
{
    return QStringLiteral("带参数的函数，请在前面加$,否则容易识别错误!"
                          "\r\n"
                          "编辑完成保存后点载入即可!");
}

// `reason` names the file and what went wrong with it.
inline QString KeywordFileUnusable(const QString &reason)
{
    return QStringLiteral("无法使用函数列表文件 %1\r\n现在使用内置的默认函数列表。").arg(reason);
}

inline QString KeywordFileNotReloaded(const QString &reason)
{
    return QStringLiteral("无法重新载入函数列表文件 %1\r\n函数列表保持不变。").arg(reason);
}

// `reason` names the file dropped on the formula box, or the files, and
// what stands in the way.
inline QString FormulaFileNotLoaded(const QString &reason)
{
    return QStringLiteral("无法载入公式文件 %1\r\n公式保持不变。").arg(reason);
}

} // namespace ui
