// The checker called in process, as its main calls it, with its output and
// errors written to memory: what a user or a script reads of each option,
// the order of files and errors, and the exit statuses.
#include "futurefunctions.h"
#include "json.h"
#include "run.h"
#include "tempcwd.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace {

// Both streams, each on its own and together in the order they were written,
// as a log that takes both has them; and the threads that wrote the output.
struct Streams
{
    std::mutex mutex;
    std::string out, err, both;
    std::set<std::thread::id> writers;
};

class MemoryDestination final : public cli::Destination
{
public:
    MemoryDestination(Streams &streams, std::string Streams::*own) : streams_(streams), own_(own) {}
    bool write(std::string &bytes) override
    {
        const std::lock_guard lock(streams_.mutex);
        streams_.*own_ += bytes;
        streams_.both += bytes;
        if (own_ == &Streams::out)
            streams_.writers.insert(std::this_thread::get_id());
        bytes.clear();
        return true;
    }

private:
    Streams &streams_;
    std::string Streams::*own_;
};

struct Outcome
{
    int status;
    QByteArray out;
    QByteArray err;
    QByteArray both;
    std::set<std::thread::id> writers;
};

Outcome Check(const QStringList &arguments, const QByteArray &input = {}, unsigned cores = 4)
{
    Streams streams;
    MemoryDestination out(streams, &Streams::out), err(streams, &Streams::err);
    const int status = cli::Run(QStringList{"future-check-cli"} + arguments,
                                {out, err, false,
                                 [&] {
                                     return keywords::FileBytes{{}, input, {}};
                                 },
                                 cores},
                                [] { return nullptr; });
    return {status, QByteArray::fromStdString(streams.out), QByteArray::fromStdString(streams.err),
            QByteArray::fromStdString(streams.both), streams.writers};
}

// What the system says of a file that is not there.
QByteArray NoSuchFile()
{
    QFile file(QStringLiteral("future-check-test-gone"));
    file.open(QIODevice::ReadOnly);
    return file.errorString().toUtf8();
}

// A line of the output parsed as JSON, as indented text with its names in
// order, so that values compare and a difference reads.
std::string Json(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    return document.toJson().toStdString();
}

std::string Json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson().toStdString();
}

// An output reached, as JSON gives it.
QJsonObject Output(const char *name, int line, int column, const char *kind,
                   const QStringList &via = {})
{
    return {{"name", name},
            {"line", line},
            {"column", column},
            {"kind", kind},
            {"via", QJsonArray::fromStringList(via)}};
}

// A finding or a missed function as JSON gives it, with what the table says.
QJsonObject Reported(const char *name, int line, int column, const char *context = nullptr,
                     const char *key = nullptr, const QJsonArray &reaches = {})
{
    QJsonObject object{{"name", name}, {"line", line}, {"column", column}, {"reaches", reaches}};
    if (context)
        object.insert("context", context);
    if (key)
        object.insert("key", key);
    if (const language::FutureFunction *function =
            language::FindFutureFunction(QString::fromUtf8(name))) {
        object.insert("class", QString(language::ClassId(function->futureClass)));
        object.insert("why", function->why.toString());
    }
    return object;
}

using Checker = InTempDir;

// Each row: the list (empty for the default table), the formula, the
// options, and the output lines in the order written.
TEST_F(Checker, ReportsWhatEachOptionSelects)
{
    const struct
    {
        const char *what;
        QByteArray list;
        QByteArray formula;
        QStringList options;
        int status;
        QByteArray out;
    } cases[] = {
        {"a period's name inside a longer one, at the very end",
         "#WEEK\r\n",
         "X:=C#WEEKS",
         {"--code-only"},
         0,
         ""},
        {"a reference ends at its line; the braces then open a comment",
         {},
         "K:=\"KDJ.K\r\n{REFX(C,1)}",
         {"--missed"},
         0,
         ""},
        {"a literal entry inside a longer function's name",
         "ZIG\r\n",
         "ZIGA(C,5)",
         {"--missed"},
         1,
         "f.txt:1:1: 发现未来函数ZIG!\nf.txt:1:1: 发现列表漏掉的未来函数ZIGA!\n"},
        {"Chinese of four bytes begins the name",
         {},
         "\xF0\xA0\xAE\xB7"
         "DCLOSE",
         {"--code-only"},
         0,
         ""},
        {"Chinese of four bytes, then a comma",
         {},
         "\xF0\xA0\xAE\xB7,DCLOSE",
         {"--code-only"},
         1,
         "f.txt:1:3: 发现未来函数DCLOSE!\n"},
        {"// to the end of its line",
         {},
         "// ZIG(C,5) 旧版\nX:=ZIG(C,5);",
         {"--code-only", "--missed"},
         1,
         "f.txt:2:4: 发现未来函数ZIG!\n"},
        {"missed functions, before and after a finding, in text order",
         {},
         "REFX(C,1);ZIG(C);#DAY",
         {"--missed"},
         1,
         "f.txt:1:1: 发现列表漏掉的未来函数REFX!\nf.txt:1:11: 发现未来函数ZIG!\n"
         "f.txt:1:18: 发现列表漏掉的未来函数#DAY!\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("f.txt", c.formula);
        QStringList arguments = c.options;
        if (!c.list.isEmpty()) {
            WriteFile("list.ini", c.list);
            arguments << "-k"
                      << "list.ini";
        }
        const Outcome outcome = Check(arguments << "f.txt");
        EXPECT_EQ(outcome.status, c.status) << outcome.err.toStdString();
        EXPECT_EQ(outcome.out.toStdString(), c.out.toStdString());
        EXPECT_EQ(outcome.err.toStdString(), "");
    }
}

TEST_F(Checker, WritesEachFileAsOneJsonObject)
{
    // Each statement an unnamed output line, which what stands in it reaches.
    WriteFile("f.txt", "REFX(C,1);'DVOL' {ZIG(C)} #DAY ZIG(C)");
    Outcome outcome = Check({"--json", "f.txt"});
    EXPECT_EQ(outcome.status, 1);
    ASSERT_TRUE(outcome.out.endsWith("}\n"));
    EXPECT_EQ(outcome.out.count('\n'), 1);
    const QJsonArray second{Output("", 1, 11, "line")};
    EXPECT_EQ(
        Json(outcome.out),
        Json(QJsonObject{{"file", "f.txt"},
                         {"findings", QJsonArray{Reported("DVOL", 1, 12, "string", "DVOL"),
                                                 Reported("ZIG", 1, 19, "comment", "ZIG("),
                                                 Reported("ZIG", 1, 32, "code", "ZIG(", second)}},
                         {"missed", QJsonArray{Reported("REFX", 1, 1, nullptr, nullptr,
                                                        {Output("", 1, 1, "line")}),
                                               Reported("#DAY", 1, 27, nullptr, nullptr, second)}},
                         {"verdict", "line"}}));

    // Only code counts then: nothing is found.
    WriteFile("f.txt", "{ZIG(C)} 'DVOL'");
    outcome = Check({"--json", "--code-only", "f.txt"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(Json(outcome.out), Json(QJsonObject{{"file", "f.txt"},
                                                  {"findings", QJsonArray()},
                                                  {"missed", QJsonArray()},
                                                  {"verdict", "none"}}));

    // An entry that is no function of the table has no class and no reason;
    // an entry listed twice is reported once.
    WriteFile("list.ini", "买点\r\n$ZIG\r\n买点\r\n");
    WriteFile("f.txt", "买点:=1;");
    outcome = Check({"--json", "-k", "list.ini", "f.txt", "gone.txt"});
    EXPECT_EQ(outcome.status, 2);
    const QList<QByteArray> lines = outcome.out.split('\n');
    ASSERT_EQ(lines.size(), 3) << outcome.out.toStdString();
    EXPECT_EQ(Json(lines[0]),
              Json(QJsonObject{{"file", "f.txt"},
                               {"findings", QJsonArray{Reported("买点", 1, 1, "code", "买点")}},
                               {"missed", QJsonArray()},
                               {"verdict", "unused"}}));
    EXPECT_EQ(Json(lines[1]),
              Json(QJsonObject{{"error", QString::fromUtf8(NoSuchFile())}, {"file", "gone.txt"}}));
}

// Whatever a string holds, the writer's JSON reads back as that string, and
// is written as Qt writes it.
TEST(JsonWriter, WritesAnyStringAsQtDoes)
{
    std::mt19937 random(7);
    const char16_t units[] = {u'"',   u'\\',  u'/',   u'\b',  u'\f', u'\n', u'\r',
                              u'\t',  0x01,   0x1F,   0x7F,   0x80,  0x7FF, 0x800,
                              0x2028, 0xD800, 0xDC00, 0xFFFF, u'中', 0};
    for (int n = 0; n < 2000; ++n) {
        QString text;
        for (int i = std::uniform_int_distribution<>(0, 8)(random); i > 0; --i)
            text += QChar(units[std::uniform_int_distribution<>(0, std::size(units) - 1)(random)]);
        std::string written;
        cli::JsonWriter(written).beginArray().value(text).value(qsizetype(-12)).endArray();
        const QByteArray qt = QJsonDocument(QJsonArray{text, -12}).toJson(QJsonDocument::Compact);
        ASSERT_EQ(QByteArray::fromStdString(written), qt) << n;
    }
    std::string nested;
    cli::JsonWriter(nested)
        .beginObject()
        .key("a")
        .beginArray()
        .beginObject()
        .endObject()
        .beginObject()
        .key("b")
        .value(qsizetype(1))
        .endObject()
        .endArray()
        .key("c")
        .value(u"d")
        .endObject();
    EXPECT_EQ(nested, R"({"a":[{},{"b":1}],"c":"d"})");
}

// Files, errors and findings in the order of the names, for any number of
// threads, an error after all that came before it; by default on every core.
TEST_F(Checker, WritesInTheOrderOfTheNamesOnAnyNumberOfThreads)
{
    QStringList names;
    QByteArray expected;
    for (int i = 0; i < 60; ++i) {
        const QString name = QStringLiteral("f%1.txt").arg(i, 2, 10, QChar(u'0'));
        names.append(name);
        if (i % 10 == 7) {
            expected += "future-check-cli: " + name.toUtf8() + ": " + NoSuchFile() + '\n';
            continue;
        }
        // Now and then more than a batch of output.
        const int findings = i % 20 == 3 ? 4000 : i % 3;
        WriteFile(name, QByteArray("DVOL ").repeated(findings));
        for (int k = 0; k < findings; ++k)
            expected +=
                name.toUtf8() + ":1:" + QByteArray::number(5 * k + 1) + ": 发现未来函数DVOL!\n";
    }
    const Outcome one = Check(QStringList{"-j", "1"} + names);
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(one.both, expected);
    EXPECT_EQ(one.writers, std::set{std::this_thread::get_id()});
    for (const char *threads : {"2", "7", "1024"}) {
        const Outcome many = Check(QStringList{"-j", threads} + names);
        EXPECT_EQ(many.status, 2);
        EXPECT_EQ(many.both, one.both) << threads;
    }
    const Outcome byDefault = Check(names);
    EXPECT_EQ(byDefault.both, one.both);
    EXPECT_FALSE(byDefault.writers.contains(std::this_thread::get_id()));
    EXPECT_EQ(Check(QStringList{"-j", "1025"} + names).status, 2);
}

} // namespace
