#include "dbase/expr.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dbase/code_page.h"
#include "dbase/error.h"
#include "dbase/file_names.h"
#include "dbase/mdx_key.h"

namespace dbase {

namespace expr_detail {

// One node of a compiled expression. Character and date nodes append their
// text (a date as YYYYMMDD or 8 blanks); numeric nodes return a number.
// A character node appends at most `width` bytes (exactly that many unless
// it trims).
struct Node {
    KeyType type = KeyType::Character;
    int width = 0;
    virtual ~Node() = default;
    virtual void append(const unsigned char* record, std::string& out) const {
        (void)record;
        (void)out;
    }
    virtual double number(const unsigned char* record) const {
        (void)record;
        return 0;
    }
};

}  // namespace expr_detail

namespace {

using expr_detail::Node;
using NodePtr = std::unique_ptr<Node>;

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Reads the number at the start of a text the way dBase does for numeric
// fields and VAL: leading blanks, a sign, digits, a point, digits; whatever
// follows is ignored; no number at all is 0.
double parseNumber(const char* p, size_t n) {
    size_t i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (p[i] == '-' || p[i] == '+'))
        negative = p[i++] == '-';
    std::uint64_t mantissa = 0;
    int digits = 0, scale = 0, dropped = 0;
    bool point = false;
    for (; i < n; ++i) {
        const char c = p[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        if (digits < 18) {
            mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
            if (mantissa != 0)
                ++digits;
            if (point)
                ++scale;
        } else if (!point) {
            ++dropped;  // beyond 18 significant digits only the magnitude counts
        }
    }
    double v = static_cast<double>(mantissa);
    const int exponent = dropped - scale;
    if (exponent > 0)
        v *= exponent < 23 ? kPow10[exponent] : std::pow(10.0, exponent);
    if (exponent < 0)
        v /= -exponent < 23 ? kPow10[-exponent] : std::pow(10.0, -exponent);
    return negative ? -v : v;
}

// STR(value, width, decimals): rounded half away from zero, right-aligned,
// all asterisks when it does not fit.
void appendStr(double v, int width, int decimals, std::string& out) {
    char buf[64];
    int len = 0;
    const double scaled = std::fabs(v) * kPow10[decimals];
    if (std::isfinite(v) && scaled < 9e17) {
        // The nudge undoes binary representation error (2.675 is stored as
        // 2.67499999...) so that decimal text rounds the way it reads.
        auto units = static_cast<std::uint64_t>(std::floor(scaled * (1 + 4e-16) + 0.5));
        char digits[32];
        int nd = 0;
        do {
            digits[nd++] = static_cast<char>('0' + units % 10);
            units /= 10;
        } while (units != 0 || nd <= decimals);
        if (v < 0 && std::floor(scaled * (1 + 4e-16) + 0.5) != 0)
            buf[len++] = '-';
        for (int i = nd - 1; i >= 0; --i) {
            buf[len++] = digits[i];
            if (i == decimals && decimals > 0)
                buf[len++] = '.';
        }
    } else {
        len = width + 1;  // too wide in any case
    }
    if (len > width) {
        out.append(static_cast<size_t>(width), '*');
        return;
    }
    out.append(static_cast<size_t>(width - len), ' ');
    out.append(buf, static_cast<size_t>(len));
}

bool isDateText(const unsigned char* p) {
    for (int i = 0; i < 8; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

// ---- Leaves ----------------------------------------------------------------

struct FieldNode : Node {
    int offset = 0;
    void append(const unsigned char* r, std::string& out) const override {
        const unsigned char* p = r + offset;
        if (type == KeyType::Date && !isDateText(p)) {
            out.append(8, ' ');
            return;
        }
        out.append(reinterpret_cast<const char*>(p), static_cast<size_t>(width));
    }
    double number(const unsigned char* r) const override {
        return parseNumber(reinterpret_cast<const char*>(r + offset), static_cast<size_t>(width));
    }
};

struct StringNode : Node {
    std::string value;
    void append(const unsigned char*, std::string& out) const override { out += value; }
};

struct NumberNode : Node {
    double value = 0;
    double number(const unsigned char*) const override { return value; }
};

// ---- Operators ---------------------------------------------------------------

struct BinaryNode : Node {
    NodePtr left, right;
    bool minus = false;
    void append(const unsigned char* r, std::string& out) const override {
        const size_t start = out.size();
        left->append(r, out);
        if (!minus) {
            right->append(r, out);
            return;
        }
        // "-" joins strings with the left side's trailing blanks moved to the end.
        size_t end = out.size();
        while (end > start && out[end - 1] == ' ')
            --end;
        const size_t blanks = out.size() - end;
        out.resize(end);
        right->append(r, out);
        out.append(blanks, ' ');
    }
    double number(const unsigned char* r) const override {
        return minus ? left->number(r) - right->number(r) : left->number(r) + right->number(r);
    }
};

// ---- Functions --------------------------------------------------------------

enum class Fn { Upper, Lower, Left, Right, Substr, Trim, Ltrim, Str, Dtos, Dtoc, Val };

struct CallNode : Node {
    Fn fn = Fn::Upper;
    NodePtr arg;
    const CodePage* codePage = nullptr;
    int n1 = 0, n2 = 0;  // constant arguments: lengths, start, width, decimals

    void append(const unsigned char* r, std::string& out) const override {
        const size_t start = out.size();
        switch (fn) {
            case Fn::Upper:
            case Fn::Lower:
                arg->append(r, out);
                // The letters of the table's code page, so that a name with an
                // accent sorts with its capital form.
                for (size_t i = start; i < out.size(); ++i) {
                    const auto c = static_cast<unsigned char>(out[i]);
                    out[i] = static_cast<char>(fn == Fn::Upper ? codePage->upper(c)
                                                               : codePage->lower(c));
                }
                return;
            case Fn::Left:
                arg->append(r, out);
                out.resize(std::min(out.size(), start + static_cast<size_t>(n1)));
                return;
            case Fn::Right: {
                arg->append(r, out);
                const size_t len = out.size() - start;
                const size_t keep = std::min(len, static_cast<size_t>(n1));
                out.erase(start, len - keep);
                return;
            }
            case Fn::Substr: {
                arg->append(r, out);
                const size_t len = out.size() - start;
                const size_t from = std::min(len, static_cast<size_t>(n1 - 1));
                out.erase(start, from);
                if (n2 >= 0)
                    out.resize(std::min(out.size(), start + static_cast<size_t>(n2)));
                return;
            }
            case Fn::Trim: {
                arg->append(r, out);
                size_t end = out.size();
                while (end > start && out[end - 1] == ' ')
                    --end;
                out.resize(end);
                return;
            }
            case Fn::Ltrim: {
                arg->append(r, out);
                size_t first = start;
                while (first < out.size() && out[first] == ' ')
                    ++first;
                out.erase(start, first - start);
                return;
            }
            case Fn::Str:
                appendStr(arg->number(r), n1, n2, out);
                return;
            case Fn::Dtos:
                arg->append(r, out);
                return;
            case Fn::Dtoc: {
                std::string d;
                arg->append(r, d);
                if (d[0] == ' ') {
                    out += "  /  /  ";
                } else {
                    out += d.substr(4, 2) + "/" + d.substr(6, 2) + "/" + d.substr(2, 2);
                }
                return;
            }
            case Fn::Val:
                return;
        }
    }
    double number(const unsigned char* r) const override {
        std::string text;
        arg->append(r, text);
        return parseNumber(text.data(), text.size());
    }
};

// ---- Parser -------------------------------------------------------------------

struct Token {
    enum Kind { End, Name, String, Number, Symbol } kind = End;
    std::string text;
    size_t pos = 0;
};

class Parser {
  public:
    Parser(std::string_view text, const std::vector<Field>& fields, const CodePage* codePage)
        : text_(text), fields_(fields), codePage_(codePage) {
        advance();
    }
    bool foldsCase() const { return foldsCase_; }

    NodePtr parseAll() {
        NodePtr n = parseSum();
        if (tok_.kind != Token::End)
            fail("unexpected \"" + tok_.text + "\"");
        return n;
    }

  private:
    [[noreturn]] void fail(const std::string& why) const {
        throw Error(Error::Kind::InvalidExpression,
                    "Invalid index expression \"" + std::string(text_) + "\": " + why);
    }

    void advance() {
        size_t i = pos_;
        while (i < text_.size() && std::isspace(static_cast<unsigned char>(text_[i])))
            ++i;
        tok_ = Token{};
        tok_.pos = i;
        if (i >= text_.size()) {
            pos_ = i;
            return;
        }
        const char c = text_[i];
        if (c == '\'' || c == '"') {
            const size_t close = text_.find(c, i + 1);
            if (close == std::string_view::npos)
                fail("a text constant is not closed");
            tok_.kind = Token::String;
            tok_.text = std::string(text_.substr(i + 1, close - i - 1));
            pos_ = close + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            size_t j = i;
            while (j < text_.size() &&
                   (std::isdigit(static_cast<unsigned char>(text_[j])) || text_[j] == '.'))
                ++j;
            tok_.kind = Token::Number;
            tok_.text = std::string(text_.substr(i, j - i));
            pos_ = j;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t j = i;
            while (j < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[j])) || text_[j] == '_'))
                ++j;
            tok_.kind = Token::Name;
            tok_.text = std::string(text_.substr(i, j - i));
            pos_ = j;
        } else if (c == '(' || c == ')' || c == ',' || c == '+' || c == '-') {
            tok_.kind = Token::Symbol;
            tok_.text = std::string(1, c);
            pos_ = i + 1;
        } else {
            fail(std::string("unexpected character '") + c + "'");
        }
    }

    bool isSymbol(char c) const { return tok_.kind == Token::Symbol && tok_.text[0] == c; }

    void expect(char c) {
        if (!isSymbol(c)) {
            fail(tok_.kind == Token::End
                     ? std::string("\"") + c + "\" missing at the end"
                     : std::string("\"") + c + "\" expected before \"" + tok_.text + "\"");
        }
        advance();
    }

    NodePtr parseSum() {
        NodePtr left = parseTerm();
        while (isSymbol('+') || isSymbol('-')) {
            const bool minus = isSymbol('-');
            advance();
            NodePtr right = parseTerm();
            if (left->type != right->type || left->type == KeyType::Date)
                fail(std::string("\"") + (minus ? '-' : '+') + "\" needs two texts or two numbers");
            auto n = std::make_unique<BinaryNode>();
            n->type = left->type;
            n->width = left->width + right->width;
            n->minus = minus;
            n->left = std::move(left);
            n->right = std::move(right);
            left = std::move(n);
        }
        return left;
    }

    NodePtr parseTerm() {
        if (isSymbol('(')) {
            advance();
            NodePtr n = parseSum();
            expect(')');
            return n;
        }
        if (tok_.kind == Token::String) {
            auto n = std::make_unique<StringNode>();
            n->value = tok_.text;
            n->width = static_cast<int>(n->value.size());
            advance();
            return n;
        }
        if (tok_.kind == Token::Number) {
            auto n = std::make_unique<NumberNode>();
            n->type = KeyType::Numeric;
            if (std::count(tok_.text.begin(), tok_.text.end(), '.') > 1)
                fail("\"" + tok_.text + "\" is not a number");
            n->value = parseNumber(tok_.text.data(), tok_.text.size());
            advance();
            return n;
        }
        if (tok_.kind == Token::Name) {
            const std::string name = tok_.text;
            advance();
            if (isSymbol('('))
                return parseCall(name);
            return fieldNode(name);
        }
        if (tok_.kind == Token::End)
            fail("the expression ends too early");
        fail("unexpected \"" + tok_.text + "\"");
    }

    NodePtr fieldNode(const std::string& name) {
        for (const Field& f : fields_) {
            if (!equalNoCase(f.name, name))
                continue;
            auto n = std::make_unique<FieldNode>();
            n->offset = f.offset;
            n->width = f.width;
            switch (f.type) {
                case FieldType::Character:
                    n->type = KeyType::Character;
                    break;
                case FieldType::Numeric:
                case FieldType::Float:
                    n->type = KeyType::Numeric;
                    break;
                case FieldType::Date:
                    n->type = KeyType::Date;
                    n->width = 8;
                    break;
                default:
                    fail("field " + name + " cannot be used in an index key");
            }
            return n;
        }
        fail("no field named " + name);
    }

    int constant(const NodePtr& n, const char* what, const std::string& fn) {
        const auto* c = dynamic_cast<const NumberNode*>(n.get());
        if (c == nullptr)
            fail(std::string("the ") + what + " of " + fn + " must be a number");
        if (c->value < 0 || c->value > 255 || c->value != std::floor(c->value))
            fail(std::string("the ") + what + " of " + fn + " is out of range");
        return static_cast<int>(c->value);
    }

    NodePtr parseCall(const std::string& name) {
        advance();  // "("
        std::vector<NodePtr> args;
        if (!isSymbol(')')) {
            args.push_back(parseSum());
            while (isSymbol(',')) {
                advance();
                args.push_back(parseSum());
            }
        }
        expect(')');

        std::string fn = name;
        for (char& c : fn)  // ASCII: the user's locale has no say in function names
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        auto call = std::make_unique<CallNode>();
        auto argCount = [&](size_t lo, size_t hi) {
            if (args.size() < lo || args.size() > hi)
                fail(fn + " takes " + std::to_string(lo) +
                     (lo == hi ? "" : " to " + std::to_string(hi)) + " argument" +
                     (hi == 1 ? "" : "s"));
        };
        auto argType = [&](size_t i, KeyType t) {
            if (args[i]->type != t)
                fail("argument " + std::to_string(i + 1) + " of " + fn + " must be " +
                     (t == KeyType::Character ? "a text"
                      : t == KeyType::Numeric ? "a number"
                                              : "a date"));
        };
        const auto width = [&] { return args[0]->width; };

        if (fn == "UPPER" || fn == "LOWER" || fn == "TRIM" || fn == "RTRIM" || fn == "LTRIM") {
            argCount(1, 1);
            argType(0, KeyType::Character);
            call->fn = fn == "UPPER"   ? Fn::Upper
                       : fn == "LOWER" ? Fn::Lower
                       : fn == "LTRIM" ? Fn::Ltrim
                                       : Fn::Trim;
            call->codePage = codePage_;
            if (call->fn == Fn::Upper || call->fn == Fn::Lower)
                foldsCase_ = true;
            call->width = width();
        } else if (fn == "LEFT" || fn == "RIGHT") {
            argCount(2, 2);
            argType(0, KeyType::Character);
            call->fn = fn == "LEFT" ? Fn::Left : Fn::Right;
            call->n1 = constant(args[1], "length", fn);
            call->width = std::min(call->n1, width());
        } else if (fn == "SUBSTR") {
            argCount(2, 3);
            argType(0, KeyType::Character);
            call->fn = Fn::Substr;
            call->n1 = constant(args[1], "start", fn);
            if (call->n1 < 1)
                fail("the start of SUBSTR counts from 1");
            call->n2 = args.size() == 3 ? constant(args[2], "length", fn) : -1;
            const int rest = std::max(0, width() - call->n1 + 1);
            call->width = call->n2 >= 0 ? std::min(call->n2, rest) : rest;
        } else if (fn == "STR") {
            argCount(1, 3);
            argType(0, KeyType::Numeric);
            call->fn = Fn::Str;
            call->n1 = args.size() > 1 ? constant(args[1], "width", fn) : 10;
            call->n2 = args.size() > 2 ? constant(args[2], "decimals", fn) : 0;
            if (call->n1 < 1 || call->n2 > 15 || (call->n2 > 0 && call->n2 >= call->n1))
                fail("STR cannot show " + std::to_string(call->n2) + " decimals in width " +
                     std::to_string(call->n1));
            call->width = call->n1;
        } else if (fn == "DTOS" || fn == "DTOC") {
            argCount(1, 1);
            argType(0, KeyType::Date);
            call->fn = fn == "DTOS" ? Fn::Dtos : Fn::Dtoc;
            call->width = 8;
        } else if (fn == "VAL") {
            argCount(1, 1);
            argType(0, KeyType::Character);
            call->fn = Fn::Val;
            call->type = KeyType::Numeric;
        } else {
            fail("unknown function " + name);
        }
        call->arg = std::move(args[0]);
        return call;
    }

    std::string_view text_;
    const std::vector<Field>& fields_;
    const CodePage* codePage_;
    bool foldsCase_ = false;
    size_t pos_ = 0;
    Token tok_;
};

}  // namespace

bool Expression::callsOtherProgramsFunction(std::string_view text) {
    // Functions of the dBase language that index keys of other programs use.
    static const char* const kKnown[] = {
        "ABS",     "ASC",     "AT",      "CDOW",    "CEILING",   "CHR",       "CMONTH",     "CTOD",
        "DATE",    "DAY",     "DELETED", "DESCEND", "DOW",       "EXP",       "FLOOR",      "IIF",
        "INT",     "ISALPHA", "ISLOWER", "ISUPPER", "LEN",       "LOG",       "LOG10",      "MAX",
        "MIN",     "MOD",     "MONTH",   "PROPER",  "RECNO",     "REPLICATE", "ROUND",      "SIGN",
        "SOUNDEX", "SPACE",   "SQRT",    "STUFF",   "TRANSFORM", "YEAR",      "DIFFERENCE", "RAT",
        "TIME",    "DTOR",    "RTOD",    "PI",      "FV",        "PV",        "PAYMENT",    "LIKE",
    };
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\'' || c == '"') {  // a text constant
            const size_t close = text.find(static_cast<char>(c), i + 1);
            if (close == std::string_view::npos)
                return false;
            i = close + 1;
            continue;
        }
        if (!std::isalpha(c) && c != '_') {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_'))
            ++j;
        std::string name(text.substr(i, j - i));
        for (char& ch : name)
            if (ch >= 'a' && ch <= 'z')
                ch = static_cast<char>(ch - 'a' + 'A');
        size_t k = j;
        while (k < text.size() && text[k] == ' ')
            ++k;
        if (k < text.size() && text[k] == '(')
            for (const char* known : kKnown)
                if (name == known)
                    return true;
        i = j;
    }
    return false;
}

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::compile(std::string_view text, const std::vector<Field>& fields,
                               const CodePage* codePage) {
    Expression e;
    e.text_ = std::string(text);
    Parser parser(text, fields, codePage != nullptr ? codePage : &CodePage::windows1252());
    e.root_ = parser.parseAll();
    e.foldsCase_ = parser.foldsCase();
    if (e.root_->type == KeyType::Numeric)
        e.root_->width = kNumericKeyLength;
    if (e.root_->type == KeyType::Date)
        e.root_->width = kDateKeyLength;
    if (e.root_->type == KeyType::Character &&
        (e.root_->width < 1 || e.root_->width > kMaxKeyLength))
        throw Error(Error::Kind::InvalidExpression,
                    "Invalid index expression \"" + e.text_ + "\": the key is " +
                        std::to_string(e.root_->width) + " characters long; it must be 1 to " +
                        std::to_string(kMaxKeyLength));
    return e;
}

KeyType Expression::type() const {
    return root_ ? root_->type : KeyType::Character;
}
int Expression::width() const {
    return root_ ? root_->width : 0;
}

void Expression::key(const unsigned char* record, std::string& out) const {
    out.clear();
    if (!root_)
        return;
    switch (root_->type) {
        case KeyType::Character:
            root_->append(record, out);
            out.resize(static_cast<size_t>(root_->width), ' ');
            return;
        case KeyType::Numeric:
            appendNumericKey(root_->number(record), out);
            return;
        case KeyType::Date: {
            std::string text;
            root_->append(record, text);
            appendDateKey(text, out);
            return;
        }
    }
}

}  // namespace dbase
