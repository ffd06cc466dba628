#pragma once

#include <QByteArray>
#include <QList>

// Formulas of about a megabyte built to make reading statements and following
// their reach slow: for tests with loose bounds and for the benchmarks.
struct ReachShape
{
    const char *name;
    QByteArray formula;
};

inline QByteArray ShapeName(int i)
{
    return "V" + QByteArray::number(i, 36);
}

inline QList<ReachShape> ReachShapes()
{
    constexpr int n = 100000;
    QList<ReachShape> shapes;
    const auto add = [&](const char *name, auto &&build) {
        QByteArray formula;
        build(formula);
        shapes.append({name, formula});
    };
    add("100,000 nested brackets", [&](QByteArray &f) {
        f = "X:" + QByteArray(n, '(') + "ZIG(C,5)" + QByteArray(n, ')') + ";";
    });
    add("a chain of 100,000 variables", [&](QByteArray &f) {
        f = ShapeName(0) + ":=ZIG(C,5);";
        for (int i = 1; i <= n; ++i)
            f += ShapeName(i) + ":=" + ShapeName(i - 1) + "+1;";
        f += "XG:" + ShapeName(n) + ">0;";
    });
    add("one ZIG read by 100,000 outputs", [&](QByteArray &f) {
        f = "A:=ZIG(C,5);";
        for (int i = 0; i < n; ++i)
            f += ShapeName(i) + ":A>" + QByteArray::number(i % 10) + ";";
    });
    add("one output of as many variables as fit", [&](QByteArray &f) {
        QByteArray sum = "X:";
        for (int i = 0; f.size() + sum.size() < (1 << 20) - 40; ++i) {
            f += ShapeName(i) + ":=ZIG(C,5);";
            sum += (i ? "+" : "") + ShapeName(i);
        }
        f += sum + ";";
    });
    add("100,000 statements that redefine one name",
        [&](QByteArray &f) { f = "A:=C;" + QByteArray("A:=ZIG(A);").repeated(n) + "XG:A>0;"; });
    return shapes;
}
