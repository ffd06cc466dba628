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

} // namespace ui
