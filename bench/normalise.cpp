// Throughput of item text normalisation on what job boards send: a CDATA-style
// HTML description of about 1.5 KB, short titles and links, a whole feed of
// 1000 items (three fields each, as after every download), and two hostile
// megabytes. Sizes count one byte per character, as in the Windows-1251 file.
// Prints the median of many runs.
#include "Measure.h"
#include "feeds/TextNormalisation.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

volatile qsizetype sink = 0;

// `chars` is what one step normalises, in `calls` calls.
void report(const char *name, int runs, qsizetype chars, int calls,
            const std::function<void()> &step) {
  const double median = Percentile(TimeRuns(runs, step), 50);
  std::printf("%-22s %10.2f us per call  %10.1f us per step  %7.1f MB/s  (%lld chars, %d runs)\n",
              name, median / calls, median, median > 0 ? chars / median : 0.0,
              static_cast<long long>(chars), runs);
}

QString description() {
  return u"\n      <p><strong>Компания &laquo;ТехноСофт&raquo;</strong> приглашает на работу "
         u"ведущего разработчика C++ в отдел настольных приложений.</p>\n"
         u"<p><b>Обязанности:</b><br />\n"
         u"&nbsp;&nbsp;- разработка и поддержка клиентского приложения на Qt;<br />\n"
         u"&nbsp;&nbsp;- проектирование архитектуры новых модулей;<br/>\n"
         u"&nbsp;&nbsp;- code review, наставничество младших коллег;<br>\n"
         u"&nbsp;&nbsp;- участие в планировании &amp;quot;спринтов&amp;quot;.</p>\n\n"
         u"<p><b>Требования:</b><br />\n"
         u"&nbsp;&nbsp;- опыт коммерческой разработки на C++ от 5 лет;<br />\n"
         u"&nbsp;&nbsp;- знание STL, Boost, многопоточности;<br />\n"
         u"&nbsp;&nbsp;- английский язык на уровне чтения документации.</p>\n"
         u"  \n"
         u"<p><b>Условия:</b><BR />\n"
         u"&nbsp;&nbsp;- оформление по ТК РФ, белая заработная плата;<br />\n"
         u"&nbsp;&nbsp;- гибкий график, возможность удалённой работы;<br />\n"
         u"&nbsp;&nbsp;- ДМС после испытательного срока &amp;amp; компенсация спорта.</p>\n"
         u"<p>Зарплата: от 250&nbsp;000 до 350&nbsp;000 руб. на руки.</p>\n"
         u"<p><b>О проекте:</b><br />\n"
         u"Мы делаем систему мониторинга для промышленных предприятий: сбор данных с "
         u"датчиков, отчёты и оповещения. Команда &ndash; 12 человек, релиз каждые две "
         u"недели, CI на GitLab, покрытие тестами выше 80%.<br />\n"
         u"Стек: C++20, Qt 6, CMake, PostgreSQL, Linux и Windows.</p>\n"
         u"<p>Откликнуться: <a href=\"https://jobs.example.ru/vacancy/123456?from=rss\">"
         u"jobs.example.ru</a></p>\n    "_s;
}

QStringList titles() {
  return {u"Ведущий разработчик C++ (Qt)"_s, u"  Программист 1С &amp; аналитик  "_s,
          u"Senior C++ Developer / Разработчик"_s, u"Инженер-программист &quot;АСУ ТП&quot;"_s,
          u"Менеджер по продажам"_s};
}

} // namespace

int main(int argc, char **argv) {
  const int runs = argc > 1 ? std::max(20, std::atoi(argv[1])) : 20000;

  const QString text = description();
  report("description", runs, text.size(), 1, [&] { sink = sink + NormaliseText(text).size(); });

  const QStringList shortFields = titles();
  qsizetype titleChars = 0;
  for (const QString &title : shortFields)
    titleChars += title.size();
  report("titles", runs, titleChars, int(shortFields.size()), [&] {
    for (const QString &title : shortFields)
      sink = sink + NormaliseText(title).size();
  });

  const QString link = u"https://jobs.example.ru/vacancy/123456?from=rss&amp;utm_source=feed"_s;
  const qsizetype itemChars = text.size() + shortFields.front().size() + link.size();
  report("feed of 1000 items", std::max(20, runs / 500), itemChars * 1000, 3000, [&] {
    for (int i = 0; i < 1000; ++i)
      sink = sink + NormaliseText(shortFields[i % shortFields.size()]).size() +
             NormaliseText(link).size() + NormaliseText(text).size();
  });

  const QString spaces = u"a"_s + QString(1 << 20, u' ') + u"b"_s;
  report("1 MB of spaces", 20, spaces.size(), 1,
         [&] { sink = sink + NormaliseText(spaces).size(); });
  const QString blankLines = u"a"_s + u"\n \r"_s.repeated((1 << 20) / 3) + u"b"_s;
  report("1 MB of LF space CR", 20, blankLines.size(), 1,
         [&] { sink = sink + NormaliseText(blankLines).size(); });
  return 0;
}
