#include "GameCompiler.h"

#include "syntax/CharClass.h"

#include <algorithm>

using namespace charclass;

namespace {

enum IfWord { NOT_IF, IFDEF, IFNDEF, IFTRUE, IFFALSE, IFV3, IFV5, IFNOT, ENDIF };

IfWord IfWordOf(std::string_view word)
{
    // By length and first letter first: most words are none of these.
    if (word.size() < 4 || word.size() > 7) return NOT_IF;
    const unsigned char first = Fold(static_cast<unsigned char>(word[0]));
    if (first != 'i' && (first != 'e' || word.size() != 5)) return NOT_IF;
    auto is = [&](std::string_view spelling) { return word.size() == spelling.size() && EqualsFolded(word, spelling); };
    switch (word.size()) {
    case 4: return is("ifv3") ? IFV3 : is("ifv5") ? IFV5 : NOT_IF;
    case 5: return is("endif") ? ENDIF : is("ifdef") ? IFDEF : is("ifnot") ? IFNOT : NOT_IF;
    case 6: return is("ifndef") ? IFNDEF : is("iftrue") ? IFTRUE : NOT_IF;
    default: return is("iffalse") ? IFFALSE : NOT_IF;
    }
}

// A word with one '#' before it taken as the word ("#Ifdef"); "##Endif" is an action.
std::string_view WithoutHash(std::string_view word)
{
    if (word.size() > 1 && word[0] == '#' && word[1] != '#') return word.substr(1);
    return word;
}

std::string FoldedCopy(std::string_view s)
{
    std::string f(s);
    for (char& c : f) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return f;
}

// `VN_nnnn`: defined when the compiler's version (6.41) is at least nnnn.
bool IsVersionTest(std::string_view name, bool& defined)
{
    if (name.size() != 7 || name.substr(0, 3) != "VN_") return false;
    int n = 0;
    for (std::size_t i = 3; i < 7; ++i) {
        if (!IsDigit(static_cast<unsigned char>(name[i]))) return false;
        n = n * 10 + (name[i] - '0');
    }
    defined = n <= 1641;
    return true;
}

// The text of a directive as written, its blanks made one space, cut to a readable length.
std::string Written(std::string_view text)
{
    std::string s;
    bool blank = false;
    for (const char c : text) {
        if (IsBlank(static_cast<unsigned char>(c))) {
            blank = !s.empty();
            continue;
        }
        if (blank) s.push_back(' ');
        blank = false;
        s.push_back(c);
        if (s.size() >= 80) {
            s += "...";
            break;
        }
    }
    return s;
}

}  // namespace

CGameCompiler::CGameCompiler(const CompilerSwitches& switches, ICompileHost& host)
    : m_switches(switches), m_host(host), m_version(switches.version),
      m_nextIndividualProperty(switches.glulx ? 256 + 8 : 72)
{
    Predefine();
}

CGameCompiler::~CGameCompiler() = default;

void CGameCompiler::Predefine()
{
    const bool g = m_switches.glulx;
    const bool v3 = !g && m_version == 3;
    auto constant = [&](const char* name, std::int64_t value) { DefineSymbol(name, SymConstant, value, true); };
    constant(g ? "TARGET_GLULX" : "TARGET_ZCODE", 0);
    constant("WORDSIZE", g ? 4 : 2);
    if (m_switches.StrictMode()) constant("STRICT_MODE", 0);
    constant("Grammar__Version", g ? 2 : 1);
    constant("DICT_WORD_SIZE", g ? 9 : v3 ? 4 : 6);
    constant("NUM_ATTR_BYTES", g ? 7 : v3 ? 4 : 6);
    constant("DICT_ENTRY_BYTES", g ? 16 : v3 ? 7 : 9);
    constant("true", 1);
    constant("false", 0);
    if (m_switches.debug) constant("DEBUG", 0);
    if (m_switches.Infix()) {
        constant("INFIX", 0);
        DefineSymbol("infix__watching", SymAttribute, m_nextAttribute++, true);
    }
    if (g) {
        constant("DICT_CHAR_SIZE", m_switches.dictCharSize);
        if (m_switches.dictCharSize != 1) constant("DICT_IS_UNICODE", 0);
        static constexpr std::pair<const char*, std::int64_t> kGlulx[] = {
            {"GOBJFIELD_CHAIN", 2},   {"GOBJFIELD_NAME", 3},     {"GOBJFIELD_PROPTAB", 4},
            {"GOBJFIELD_PARENT", 5},  {"GOBJFIELD_SIBLING", 6},  {"GOBJFIELD_CHILD", 7},
            {"GOBJ_EXT_START", 32},   {"GOBJ_TOTAL_LENGTH", 32}, {"INDIV_PROP_START", 256},
            {"FLOAT_INFINITY", 2139095040}, {"FLOAT_NINFINITY", -8388608}, {"FLOAT_NAN", 2143289344},
            {"DOUBLE_HI_INFINITY", 2146435072}, {"DOUBLE_LO_INFINITY", 0}, {"DOUBLE_HI_NINFINITY", -1048576},
            {"DOUBLE_LO_NINFINITY", 0}, {"DOUBLE_HI_NAN", 2146959360}, {"DOUBLE_LO_NAN", 1},
        };
        for (const auto& [name, value] : kGlulx) constant(name, value);
        DefineSymbol("sys_statusline_flag", SymGlobal, 0, false);
    }
    DefineSymbol("nothing", SymObject, 0, true);
    DefineSymbol("name", SymProperty, 1, true);
    for (const char* global : {"temp_global", "temp__global2", "temp__global3", "temp__global4", "self", "sender",
                               "sw__var", "sys__glob0", "sys__glob1", "sys__glob2"})
        DefineSymbol(global, SymGlobal, 0, false);
    std::int64_t property = g ? 256 : 64;
    for (const char* name : {"create", "recreate", "destroy", "remaining", "copy", "call", "print", "print_to_array"})
        DefineSymbol(name, SymProperty, property++, true);
    std::int64_t object = 1;
    for (const char* name : {"Class", "Object", "Routine", "String"})
        DefineSymbol(name, SymClass, object++, !g);
    DefineSymbol("Main__", SymRoutine, 0, false);
    for (const auto& [name, value] : m_switches.defines) DefineSymbol(name, SymConstant, value, true);
}

void CGameCompiler::Run(std::uint32_t main)
{
    if (m_readings.size() <= main) m_readings.resize(main + 1, 0);
    ++m_readings[main];
    Push(main);
    TopLevel();
}

void CGameCompiler::Push(std::uint32_t file)
{
    if (m_onStack.size() <= file) m_onStack.resize(file + 1, 0);
    ++m_onStack[file];
    CompileTokenPlace start;
    m_tokenList = &m_host.Tokens(file, start);
    m_stack.push_back(Cursor{file, start, false});
}

void CGameCompiler::Pop()
{
    const std::uint32_t file = m_stack.back().file;
    --m_onStack[file];
    m_stack.pop_back();
    if (file < m_readings.size() && m_readings[file] == 1 && !(file < m_skippedInFirst.size() && m_skippedInFirst[file]))
        m_host.ReadWithoutSkips(file);
}

// Tokens -----------------------------------------------------------------------------

std::string_view CGameCompiler::FileText(std::uint32_t file)
{
    // The file asked last, kept: the tokens read one after another are mostly of one file.
    if (file != m_textFile) {
        m_text = m_host.Text(file);
        m_textFile = file;
    }
    return m_text;
}

bool CGameCompiler::NextRaw(Tok& t)
{
    while (!m_stack.empty() && !m_stopped) {
        Cursor& c = m_stack.back();
        if (m_tokenList->Read(c.next, t.token)) {
            const char* text = FileText(c.file).data();
            t.file = c.file;
            t.text = text;
            // A character the compiler's lexer does not take (a control character, a byte
            // of 0x80 or more outside quotes) is reported and passed over.
            if (t.token.Kind() == CompileTokenKind::Mark) {
                const auto first = static_cast<unsigned char>(text[t.token.offset]);
                if (first < 0x20 || first >= 0x7F) continue;
            }
            return true;
        }
        Pop();
    }
    return false;
}

bool CGameCompiler::Next(Tok& t)
{
    if (!m_peeked.empty()) {
        t = m_peeked.back();
        m_peeked.pop_back();
        return true;
    }
    while (NextRaw(t)) {
        if (IsIfWord(t, true)) {
            HandleIf(t);
            continue;
        }
        return true;
    }
    return false;
}

bool CGameCompiler::Peek(Tok& t)
{
    if (!Next(t)) return false;
    m_peeked.push_back(t);
    return true;
}

std::string_view CGameCompiler::TextOf(const Tok& t) { return t.View(); }

std::string CGameCompiler::Folded(const Tok& t) { return FoldedCopy(TextOf(t)); }

bool CGameCompiler::IsMark(const Tok& t, char c)
{
    return t && t.token.Kind() == CompileTokenKind::Mark && t.token.length == 1 && t.text[t.token.offset] == c;
}

bool CGameCompiler::IsWord(const Tok& t) { return t && t.token.Kind() == CompileTokenKind::Word; }

std::string CGameCompiler::DirectiveName(const Tok& t) { return FoldedCopy(WithoutHash(TextOf(t))); }

// If directives ----------------------------------------------------------------------

bool CGameCompiler::IsIfWord(const Tok& t, bool needHash)
{
    if (!IsWord(t) || t.token.length < 4 || t.token.length > 7 + needHash) return false;
    if (needHash && t.text[t.token.offset] != '#') return false;
    const std::string_view text = TextOf(t);
    const std::string_view word = WithoutHash(text);
    if (needHash && word.size() == text.size()) return false;
    return IfWordOf(word) != NOT_IF;
}

std::uint64_t CGameCompiler::PassSemicolon(Cursor& c, std::uint64_t from)
{
    CompileToken t;
    if (!FileTokens().PeekAt(c.next, t) || t.Kind() != CompileTokenKind::Mark || t.length != 1 ||
        FileText(c.file)[t.offset] != ';')
        return from;
    FileTokens().Read(c.next, t);
    return t.End();
}

void CGameCompiler::HandleIf(const Tok& word)
{
    const IfWord kind = IfWordOf(WithoutHash(TextOf(word)));
    const std::string_view text = FileText(word.file);
    if (kind == IFNOT || kind == ENDIF) {
        // The ';' after them, when it is there (else the compiler goes on with what follows).
        std::uint64_t from = word.token.End();
        if (!m_stack.empty() && m_stack.back().file == word.file) from = PassSemicolon(m_stack.back(), from);
        if (m_ifs.empty()) return;  // without a matching If
        if (kind == ENDIF) {
            m_ifs.pop_back();
            return;
        }
        const IfFrame frame = m_ifs.back();
        if (frame.inElse) return;  // a second Ifnot for the same If
        m_ifs.pop_back();
        Skip(frame.reason, from, false, {}, 0, 0);
        return;
    }

    std::vector<Tok> condition;
    Tok t;
    bool ended = false;
    while (NextRaw(t)) {
        if (IsMark(t, ';')) {
            ended = true;
            break;
        }
        condition.push_back(t);
    }
    const std::uint64_t conditionEnd = ended ? t.token.End() : text.size();
    const std::string what =
        Written(text.substr(word.token.offset,
                            (condition.empty() ? word.token.End() : condition.back().token.End()) - word.token.offset));
    // Decided, or not one condition at all (then nothing is pushed and what follows is compiled).
    bool valid = ended && condition.size() <= 256;
    bool value = false;
    for (const Tok& c : condition)
        if (c.file != word.file) valid = false;
    if (valid) {
        switch (kind) {
        case IFDEF:
        case IFNDEF: {
            const std::string_view name = condition.size() == 1 && IsWord(condition[0]) ? TextOf(condition[0]) : "";
            valid = !name.empty() && name[0] != '#' && !IsDigit(static_cast<unsigned char>(name[0])) &&
                    name[0] != '$' && !EqualsFolded(name, "object") && !EqualsFolded(name, "class");
            if (valid) value = IsDefined(name) == (kind == IFDEF);
            break;
        }
        case IFV3:
        case IFV5:
            valid = condition.empty();
            value = (!m_switches.glulx && m_version == 3) == (kind == IFV3);
            break;
        default: {
            const ConstantValue v = Evaluate(condition, 0);
            valid = !v.leftOver && !condition.empty();
            // A condition that cannot be decided takes the else branch of Iftrue, the
            // then branch of Iffalse.
            value = kind == IFTRUE ? v.known && v.value != 0 : !(v.known && v.value != 0);
            break;
        }
        }
    }
    if (!valid || m_ifs.size() >= 32) return;
    ++m_ifDecisions;
    if (value) {
        m_ifs.push_back(IfFrame{AddReason(CompileReason{CompileReason::TrueCondition, word.file, word.token.offset, what}),
                                false});
        return;
    }
    Skip(AddReason(CompileReason{CompileReason::FalseCondition, word.file, word.token.offset, what}), conditionEnd, true,
         what, word.file, word.token.offset);
}

// Skips a false region from offset from, by the spelling of its tokens, in the file being
// read; elseAllowed: an ifnot at the first level starts the branch that is compiled.
void CGameCompiler::Skip(std::uint32_t reason, std::uint64_t from, bool elseAllowed, const std::string& what,
                         std::uint32_t conditionFile, std::uint64_t conditionOffset)
{
    if (m_stack.empty()) return;
    Cursor& c = m_stack.back();
    const CCompileTokenList& tokens = FileTokens();
    const std::string_view text = FileText(c.file);
    int depth = 1;
    CompileToken t;
    while (tokens.Read(c.next, t)) {
        if (t.Kind() != CompileTokenKind::Word) continue;
        const IfWord kind = IfWordOf(WithoutHash(TokenText(text, t)));
        if (kind == NOT_IF) continue;
        if (kind == ENDIF) {
            if (--depth > 0) continue;
        } else if (kind == IFNOT) {
            if (depth > 1 || !elseAllowed) continue;
        } else {
            ++depth;
            continue;
        }
        AddSkipped(c.file, from, t.offset, reason);
        PassSemicolon(c, 0);
        if (kind == IFNOT)
            m_ifs.push_back(IfFrame{AddReason(CompileReason{CompileReason::TrueCondition, conditionFile, conditionOffset,
                                                            "#Ifnot of " + what}),
                                    true});
        return;
    }
    // The end of the file in skipped code: the compiler stops there.
    AddSkipped(c.file, from, text.size(), reason);
    Pop();
    StopHere(AddReason(CompileReason{CompileReason::Unended, m_reasons[reason].file, m_reasons[reason].offset,
                                     m_reasons[reason].what}));
}

void CGameCompiler::StopHere(std::uint32_t reason)
{
    for (const Cursor& c : m_stack) {
        const std::uint64_t size = FileText(c.file).size();
        // From the end of what was read: the directive that stopped it, the Include that is open.
        const std::uint64_t from = std::min<std::uint64_t>(c.next.lastEnd, size);
        if (from < size) AddSkipped(c.file, from, size, reason);
    }
    m_peeked.clear();
    m_stopped = true;
}

bool CGameCompiler::IsDefined(std::string_view name)
{
    bool defined = false;
    if (IsVersionTest(name, defined)) return defined;
    return Find(name) != nullptr;
}

ConstantValue CGameCompiler::Evaluate(const std::vector<Tok>& tokens, std::size_t from)
{
    if (from >= tokens.size()) return ConstantValue{};
    const std::uint32_t file = tokens[from].file;
    const bool glulx = m_switches.glulx;
    std::vector<CompileToken> expression;
    expression.reserve(tokens.size() - from);
    for (std::size_t i = from; i < tokens.size(); ++i) expression.push_back(tokens[i].token);
    return EvaluateConstant(
        FileText(file), expression.data(), expression.data() + expression.size(), glulx, [&](std::string_view name) {
            ConstantOperand operand;
            if (name[0] == '#') {
                const std::string folded = FoldedCopy(name);
                operand.kind = ConstantOperand::Value;
                if (folded == "#version_number" && !glulx) {
                    operand.value = m_version;
                } else if (folded.size() == 10 && folded.substr(0, 9) == "#dict_par" && folded[9] >= '1' &&
                           folded[9] <= '3') {
                    const int k = folded[9] - '1';
                    operand.value = glulx ? (m_switches.dictCharSize == 4 ? 41 : 11) + 2 * k : (m_version == 3 ? 4 : 6) + k;
                } else {
                    operand.kind = ConstantOperand::Undetermined;
                }
                return operand;
            }
            const Symbol* s = Find(name);
            if (!s) return operand;
            switch (s->kind) {
            case SymGlobal: operand.kind = ConstantOperand::NotConstant; break;
            case SymArray:
            case SymRoutine:
            case SymString: operand.kind = ConstantOperand::Undetermined; break;
            default:
                operand.kind = s->known ? ConstantOperand::Value : ConstantOperand::Undetermined;
                operand.value = s->value;
                break;
            }
            return operand;
        });
}

// Symbols ----------------------------------------------------------------------------

CGameCompiler::Symbol* CGameCompiler::Find(std::string_view name)
{
    const auto it = m_symbols.find(FoldedCopy(name));
    return it == m_symbols.end() ? nullptr : &it->second;
}

void CGameCompiler::DefineSymbol(std::string_view name, SymbolKind kind, std::int64_t value, bool valueKnown,
                                 std::uint32_t definition)
{
    m_symbols[FoldedCopy(name)] = Symbol{kind, valueKnown, value, definition};
    if (kind == SymClass) m_classes.push_back(FoldedCopy(name));
}

void CGameCompiler::ForgetNames()
{
    m_symbols = {};
    m_replaced = {};
    m_classes = {};
}

bool CGameCompiler::IsClassName(std::string_view folded) const
{
    const auto it = m_symbols.find(std::string(folded));
    return it != m_symbols.end() && it->second.kind == SymClass;
}

std::uint32_t CGameCompiler::AddReason(CompileReason reason)
{
    m_reasons.push_back(std::move(reason));
    return static_cast<std::uint32_t>(m_reasons.size() - 1);
}

std::uint32_t CGameCompiler::AddDefinition(CompiledDefinition d)
{
    m_definitions.push_back(std::move(d));
    return static_cast<std::uint32_t>(m_definitions.size() - 1);
}

void CGameCompiler::AddSkipped(std::uint32_t file, std::uint64_t start, std::uint64_t end, std::uint32_t reason)
{
    if (start >= end) return;
    const std::uint32_t reading = file < m_readings.size() ? m_readings[file] : 1;
    m_skipped.push_back(SkippedText{file, start, end, reason, reading});
    if (reading <= 1) {
        if (m_skippedInFirst.size() <= file) m_skippedInFirst.resize(file + 1, false);
        m_skippedInFirst[file] = true;
    }
}
