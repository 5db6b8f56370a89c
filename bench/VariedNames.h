#pragma once
// Varied Russian names for the text sorts: a surname, an initial, a word and a
// number ("Кузнецова Т. сборник 417"), few of them alike, sharing no start,
// as a library's titles and authors are, beside the repeated names with one
// prefix the other figures use.
#include <random>

#include "platform/core/Strings.h"
#include "platform/core/Types.h"

class TVariedNames {
public:
  explicit TVariedNames(unsigned Start) : FRng(Start) {}
  String Next() {
    static const char16_t* const surnames[] = {
        u"Иванов",       u"Смирнова",   u"Кузнецов",   u"Попова",    u"Васильев", u"Петрова",   u"Соколов",
        u"Михайлова",    u"Новиков",    u"Фёдорова",   u"Морозов",   u"Волкова",  u"Алексеев",  u"Лебедева",
        u"Семёнов",      u"Егорова",    u"Павлов",     u"Козлова",   u"Степанов", u"Николаева", u"Орлов",
        u"Андреева",     u"Макаров",    u"Никитина",   u"Захаров",   u"Зайцева",  u"Соловьёв",  u"Борисова",
        u"Яковлев",      u"Григорьева", u"Романов",    u"Воробьёва", u"Сергеев",  u"Кузьмина",  u"Фролов",
        u"Александрова", u"Дмитриев",   u"Королёва",   u"Гусев",     u"Киселёва", u"Ильин",     u"Максимова",
        u"Поляков",      u"Сорокина",   u"Виноградов", u"Ковалёва",  u"Белов",    u"Медведева", u"Антонов",
        u"Тарасова",     u"Жуков",      u"Баранова",   u"Филиппов",  u"Комарова", u"Давыдов",   u"Беляева",
        u"Герасимов",    u"Богданова",  u"Осипов",     u"Сидорова",  u"Матвеев",  u"Титова",    u"Марков",
        u"Миронова"};
    static const char16_t* const words[] = {
        u"сборник",     u"очерки",  u"словарь",   u"повесть",    u"роман",     u"избранное",     u"записки",
        u"хрестоматия", u"учебник", u"статьи",    u"письма",     u"дневник",   u"стихотворения", u"рассказы",
        u"пьесы",       u"сказки",  u"указатель", u"справочник", u"каталог",   u"летопись",      u"хроника",
        u"беседы",      u"лекции",  u"труды",     u"материалы",  u"документы", u"история",       u"география",
        u"физика",      u"химия",   u"ботаника",  u"Этюды"};
    static const char16_t initials[] = u"АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЭЮЯ";
    String name = surnames[FRng() % std::size(surnames)];
    name += u' ';
    name += initials[FRng() % (std::size(initials) - 1)];
    name += u". ";
    name += words[FRng() % std::size(words)];
    name += u' ';
    name += IntToStr(static_cast<Int64>(FRng() % 1000));
    return name;
  }

private:
  std::mt19937 FRng;
};
