#include "book_generator.h"

#include <cmath>
#include <cstdio>

#include "fields/book_fields.h"

namespace tkbench {

namespace {

const char* const kWords[] = {
    "War",     "Peace",     "The",     "Night",   "Garden", "River",     "Shadow",  "Winter",
    "Summer",  "House",     "Of",      "And",     "A",      "History",   "Secret",  "Empire",
    "Stone",   "Light",     "Dark",    "Voyage",  "Island", "Journey",   "Letters", "Song",
    "Silent",  "Last",      "First",   "King",    "Queen",  "Children",  "Sea",     "Mountain",
    "City",    "Forgotten", "Lost",    "Road",    "Fire",   "Ice",       "Memoirs", "Book",
    "Tales",   "Stars",     "Moon",    "Iron",    "Glass",  "Bridge",    "Tower",   "Storm",
    "Harvest", "Dream",     "Ghost",   "Soldier", "Warden", "Award",     "Crown",   "Valley",
    "Forest",  "Orchard",   "Captain", "Doctor",  "Widow",  "Traveller", "Music",   "Promise",
    "Hunger",  "Freedom",   "Civil",   "World",   "Great",  "Little",    "Old",     "New",
    "Golden",  "Silver",    "Red",     "Blue",    "Black",  "White",     "Green",   "Company",
    "Street",
};

const char* const kFirstNames[] = {
    "Anna",   "Boris",  "Clara",  "David",  "Elena",   "Frank",  "Grace",   "Henry",   "Irene",
    "James",  "Karin",  "Louis",  "Maria",  "Nikolai", "Olga",   "Peter",   "Quentin", "Rosa",
    "Samuel", "Tessa",  "Ulrich", "Vera",   "Walter",  "Xenia",  "Yusuf",   "Zora",    "Agnes",
    "Bruno",  "Celia",  "Dmitri", "Edith",  "Felix",   "Greta",  "Hugo",    "Ida",     "Jonas",
    "Klaus",  "Lena",   "Marcel", "Nora",   "Oscar",   "Paula",  "Rafael",  "Sofia",   "Tomas",
    "Ursula", "Victor", "Wanda",  "Yvonne", "Zeno",    "Alma",   "Bernard", "Cecile",  "Dora",
    "Emil",   "Flora",  "Gustav", "Hedda",  "Ivan",    "Judith",
};

const char* const kLastNames[] = {
    "Abbott",  "Baker",    "Castillo", "Dumont",    "Eriksen", "Fischer", "Garcia",   "Hartmann",
    "Ivanova", "Jensen",   "Kowalski", "Laurent",   "Moreau",  "Novak",   "Olsen",    "Petrov",
    "Quinn",   "Richter",  "Schmidt",  "Turner",    "Ulman",   "Varga",   "Weber",    "Young",
    "Zimmer",  "Andersen", "Bauer",    "Conti",     "Dahl",    "Engel",   "Fontaine", "Gruber",
    "Horvat",  "Jansen",   "Keller",   "Lindqvist", "Marino",  "Nilsen",  "Ortega",   "Pavlov",
    "Rossi",   "Sorensen", "Tanaka",   "Urban",     "Vogel",   "Wagner",  "Berg",     "Costa",
    "Dubois",  "Esposito", "Falk",     "Gallo",     "Hansen",  "Kraus",   "Lange",    "Meyer",
    "Nowak",   "Popescu",  "Reyes",    "Santos",
};

const char* const kPublishers[] = {
    "Penguin House", "Harbour Press", "Northgate", "Blue Owl Books", "Meridian",   "Old Mill Press",
    "Atlas & Son",   "Lantern Books", "Riverside", "Crown Street",   "Paperfield", "Kestrel"};
const char* const kCategories[] = {"Fiction", "History",    "Poetry",    "Biography",
                                   "Science", "Travel",     "Reference", "Children",
                                   "Art",     "Philosophy", "Mystery",   "Drama"};
const char* const kShops[] = {"Second-hand shop", "Book fair",   "Online",     "Auction", "Gift",
                              "Airport",          "Flea market", "Antiquarian"};
const char* const kRatings[] = {"Excellent", "Very good", "Good", "Fair", "Poor"};
const char* const kTypes[] = {"Hardcover", "Paperback", "Leather", "Pamphlet", "Magazine"};
const char* const kLocations[] = {"Study shelf 1", "Study shelf 2", "Living room", "Attic box 3",
                                  "Bedroom",       "Office",        "Cellar"};
const char* const kConditions[] = {"Mint", "Fine", "Very fine", "Good", "Worn", "Damaged"};
const char* const kKeywords[] = {"war",      "love",      "russia", "sea",      "family",
                                 "politics", "science",   "travel", "religion", "art",
                                 "crime",    "childhood", "nature"};

}  // namespace

BookGenerator::BookGenerator(std::uint64_t seed) : state_(seed) {}

std::vector<dbase::FieldDef> BookGenerator::fieldDefs() {
    std::vector<dbase::FieldDef> defs;
    for (const fields::BookField& f : fields::bookFields()) {
        dbase::FieldDef d;
        d.name = std::string(f.name);
        switch (f.kind) {
            case fields::FieldKind::String:
                d.type = dbase::FieldType::Character;
                d.width = f.width;
                break;
            case fields::FieldKind::Integer:
                d.type = dbase::FieldType::Numeric;
                d.width = 11;
                d.decimals = fields::kIntegerDecimals;
                break;
            case fields::FieldKind::Float:
                d.type = dbase::FieldType::Numeric;
                d.width = 15;
                d.decimals = fields::kFloatDecimals;
                break;
            case fields::FieldKind::Date:
                d.type = dbase::FieldType::Date;
                d.width = 8;
                break;
        }
        defs.push_back(d);
    }
    return defs;
}

std::uint64_t BookGenerator::next() {
    // xorshift64*: small, fast, and the same everywhere.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1DULL;
}

int BookGenerator::below(int n) {
    return static_cast<int>((next() >> 33) % static_cast<std::uint64_t>(n));
}

double BookGenerator::unit() {
    return static_cast<double>(next() >> 11) / 9007199254740992.0;
}

std::string BookGenerator::words(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i)
            s.push_back(' ');
        s += pick(kWords);
    }
    return s;
}

std::string BookGenerator::author() {
    // A skewed choice among 3,600 names: a few authors own many books.
    constexpr int kFirst = sizeof kFirstNames / sizeof *kFirstNames;
    constexpr int kLast = sizeof kLastNames / sizeof *kLastNames;
    const double u = unit();
    const int k = static_cast<int>(std::pow(u, 3.0) * kFirst * kLast);
    if (k == 7)
        return "Tolstoy, Leo";
    return std::string(kLastNames[k % kLast]) + ", " + kFirstNames[(k / kLast) % kFirst];
}

void BookGenerator::fill(dbase::Table& t) {
    if (!resolved_) {
        for (const fields::BookField& f : fields::bookFields())
            fieldIndex_[f.number] = t.fieldIndex(f.name);
        resolved_ = true;
    }
    auto set = [&](int number, const std::string& v) { t.setString(fieldIndex_[number], v); };
    auto money = [&](double lo, double hi) {
        return std::round((lo + unit() * (hi - lo)) * 100.0) / 100.0;
    };
    auto date = [&](int fromYear, int toYear) {
        return dbase::Date{fromYear + below(toYear - fromYear + 1), 1 + below(12), 1 + below(28)};
    };

    set(1, words(2 + below(6)));
    set(2, author());
    t.setFloat(fieldIndex_[3], 1800 + below(225));
    set(4, pick(kPublishers));
    set(5, pick(kCategories));
    if (below(4))
        set(6, pick(kShops));
    const double cost = money(0.5, 250);
    t.setFloat(fieldIndex_[7], cost);
    t.setFloat(fieldIndex_[8], std::round(cost * (0.5 + unit() * 2) * 100) / 100);
    if (below(3) == 0)
        set(9, "A " + words(6 + below(8)) + ".");
    char isbn[20];
    std::snprintf(isbn, sizeof isbn, "978%010llu",
                  static_cast<unsigned long long>(next() % 10000000000ULL));
    set(10, isbn);
    set(11, pick(kRatings));
    t.setDate(fieldIndex_[12], date(1970, 2024));
    set(13, pick(kTypes));
    set(14, "C-" + std::to_string(below(100000)));
    if (below(10) == 0)
        set(15, "S" + std::to_string(below(100)));
    const bool out = below(8) == 0;
    set(17, out ? "Yes" : "No");
    if (out) {
        t.setDate(fieldIndex_[18], date(2015, 2024));
        set(19, std::string(pick(kFirstNames)) + " " + pick(kLastNames));
    }
    if (below(6) == 0)
        set(20, std::to_string(1 + below(12)));
    if (below(3) == 0)
        set(22, std::to_string(1 + below(5)) + ". ed.");
    std::string keys = pick(kKeywords);
    for (int k = below(4); k > 0; --k)
        keys += std::string("; ") + pick(kKeywords);
    set(23, keys);
    t.setFloat(fieldIndex_[24], 40 + below(1400));
    set(25, pick(kLocations));
    set(26, pick(kConditions));
    if (below(5) == 0)
        set(27, std::string(pick(kFirstNames)) + " " + pick(kLastNames));
    set(28, std::to_string(below(1000)) + "." + std::to_string(below(100)));
    t.setFloat(fieldIndex_[29], cost * 0.8);
    t.setFloat(fieldIndex_[30], cost * 1.6);
    if (below(20) == 0)
        set(31, words(2));
}

}  // namespace tkbench
