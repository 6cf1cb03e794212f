#include "ConstantExpression.h"

#include "syntax/CharClass.h"

#include <charconv>

using namespace charclass;

namespace {

class CEvaluator {
public:
    CEvaluator(std::string_view text, const CompileToken* first, const CompileToken* last, bool glulx,
               const std::function<ConstantOperand(std::string_view)>& name)
        : m_text(text), m_at(first), m_last(last), m_glulx(glulx), m_name(name)
    {
    }

    ConstantValue Run()
    {
        ConstantValue result;
        if (m_at == m_last) return result;  // an empty condition
        const std::int64_t v = Logical();
        if (m_at != m_last) {
            m_unknown = true;  // something left over
            result.leftOver = true;
        }
        result.known = !m_unknown;
        result.problem = m_problem || m_unknown;
        result.value = v;
        return result;
    }

private:
    // The operator at the current token, by its marks next to each other: "==", "~=", ...
    bool At(std::string_view op) const
    {
        const CompileToken* t = m_at;
        std::uint64_t offset = 0;
        for (const char c : op) {
            if (t == m_last || t->Kind() != CompileTokenKind::Mark || t->length != 1 ||
                (t != m_at && t->offset != offset) || m_text[t->offset] != c)
                return false;
            offset = t->End();
            ++t;
        }
        // A longer operator is not this one ("==" is not "=", "~~" is not "~").
        if (t != m_last && t->Kind() == CompileTokenKind::Mark && t->length == 1 && t->offset == offset) {
            const char next = m_text[t->offset];
            if (next == '=' || (op == "~" && next == '~') || (op == "&" && next == '&') || (op == "|" && next == '|') ||
                ((op == ">" || op == "<") && next == '='))
                return false;
        }
        return true;
    }
    void Skip(std::size_t marks) { m_at += marks; }

    std::int64_t Kept(std::int64_t v) const
    {
        if (m_glulx) return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return v & 0xFFFF;
    }
    std::int64_t Signed(std::int64_t v) const
    {
        if (m_glulx) return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        v &= 0xFFFF;
        return v >= 0x8000 ? v - 0x10000 : v;
    }
    std::int64_t Arithmetic(std::int64_t result)
    {
        if (!m_glulx && (result < -32768 || result > 32767)) m_problem = true;
        return Kept(result);
    }

    std::int64_t Logical()
    {
        std::int64_t v = Negation();
        for (;;) {
            if (At("&&")) {
                Skip(2);
                if (v == 0) {
                    SkipOperand();
                    v = 0;
                } else {
                    v = Negation() != 0;
                }
            } else if (At("||")) {
                Skip(2);
                if (v != 0) {
                    SkipOperand();
                    v = 1;
                } else {
                    v = Negation() != 0;
                }
            } else {
                return v;
            }
        }
    }
    // An operand decided without: read, its problems forgotten.
    void SkipOperand()
    {
        const bool unknown = m_unknown;
        const bool problem = m_problem;
        Negation();
        m_unknown = unknown;
        m_problem = problem;
    }
    std::int64_t Negation()
    {
        if (At("~~")) {
            Skip(2);
            return Negation() == 0;
        }
        return Comparison();
    }
    std::int64_t Comparison()
    {
        std::int64_t v = Sum();
        bool compared = false;
        for (;;) {
            int op = 0;
            std::size_t n = 2;
            if (At("==")) op = 1;
            else if (At("~=")) op = 2;
            else if (At(">=")) op = 3;
            else if (At("<=")) op = 4;
            else if (At(">")) op = 5, n = 1;
            else if (At("<")) op = 6, n = 1;
            if (!op) return v;
            if (compared) m_problem = true;  // brackets are needed to compare a comparison
            compared = true;
            Skip(n);
            const std::int64_t w = Sum();
            switch (op) {
            case 1: v = v == w; break;
            case 2: v = v != w; break;
            case 3: v = v >= w; break;
            case 4: v = v <= w; break;
            case 5: v = v > w; break;
            default: v = v < w; break;
            }
        }
    }
    std::int64_t Sum()
    {
        std::int64_t v = Product();
        for (;;) {
            if (At("+")) {
                Skip(1);
                const std::int64_t w = Product();
                v = Arithmetic(Signed(v) + Signed(w));
            } else if (At("-")) {
                Skip(1);
                const std::int64_t w = Product();
                v = Arithmetic(Signed(v) - Signed(w));
            } else {
                return v;
            }
        }
    }
    std::int64_t Product()
    {
        std::int64_t v = Unary();
        for (;;) {
            char op = 0;
            if (At("*")) op = '*';
            else if (At("/")) op = '/';
            else if (At("%")) op = '%';
            else if (At("&")) op = '&';
            else if (At("|")) op = '|';
            if (!op) return v;
            Skip(1);
            const std::int64_t w = Unary();
            const std::int64_t a = Signed(v);
            const std::int64_t b = Signed(w);
            switch (op) {
            case '*': v = Arithmetic(a * b); break;
            case '/':
            case '%':
                if (b == 0) {
                    m_unknown = true;  // division of a constant by zero
                    v = 0;
                } else {
                    v = Kept(op == '/' ? a / b : a % b);
                }
                break;
            case '&': v = Kept(a & b); break;
            default: v = Kept(a | b); break;
            }
        }
    }
    std::int64_t Unary()
    {
        if (At("-")) {
            Skip(1);
            return Arithmetic(-Signed(Unary()));
        }
        if (At("~")) {
            Skip(1);
            return Kept(~Signed(Unary()));
        }
        return Primary();
    }
    std::int64_t Primary()
    {
        if (m_at == m_last) {
            m_unknown = true;
            return 0;
        }
        const CompileToken& t = *m_at;
        const std::string_view s = TokenText(m_text, t);
        if (At("(")) {
            Skip(1);
            const std::int64_t v = Logical();
            if (At(")")) Skip(1);
            else m_unknown = true;
            return v;
        }
        ++m_at;
        if (t.Kind() == CompileTokenKind::Single) return Character(s);
        if (t.Kind() != CompileTokenKind::Word) {
            m_unknown = true;
            return 0;
        }
        if (IsDigit(static_cast<unsigned char>(s[0])) || s[0] == '$') return Number(s);
        const ConstantOperand operand = m_name(s);
        if (operand.kind != ConstantOperand::Value) {
            m_unknown = true;
            return 0;
        }
        return operand.value;
    }
    std::int64_t Number(std::string_view s)
    {
        int base = 10;
        if (s.substr(0, 2) == "$$") {
            base = 2;
            s.remove_prefix(2);
        } else if (s[0] == '$') {
            base = 16;
            s.remove_prefix(1);
        }
        std::int64_t v = 0;
        const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v, base);
        if (s.empty() || error != std::errc() || end != s.data() + s.size()) m_unknown = true;
        return v;
    }
    // 'a' is its character; '@{41}' the character of that code; '^' 94 as any other.
    // A word of two or more characters is a dictionary word, which is no constant.
    std::int64_t Character(std::string_view s)
    {
        if (s.size() == 3 && s[0] == '\'' && s[2] == '\'') return static_cast<unsigned char>(s[1]);
        if (s.size() > 5 && s.substr(0, 3) == "'@{" && s.substr(s.size() - 2) == "}'") {
            std::int64_t v = 0;
            const std::string_view hex = s.substr(3, s.size() - 5);
            const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
            if (error == std::errc() && end == hex.data() + hex.size()) return v;
        }
        m_unknown = true;
        return 0;
    }

    std::string_view m_text;
    const CompileToken* m_at;
    const CompileToken* m_last;
    bool m_glulx;
    const std::function<ConstantOperand(std::string_view)>& m_name;
    bool m_unknown = false;
    bool m_problem = false;
};

}  // namespace

ConstantValue EvaluateConstant(std::string_view text, const CompileToken* first, const CompileToken* last, bool glulx,
                               const std::function<ConstantOperand(std::string_view name)>& name)
{
    return CEvaluator(text, first, last, glulx, name).Run();
}
