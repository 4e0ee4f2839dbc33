// Directory searches checked again by long name.
#include "package/FileSearch.h"

#include "text/Texts.h"

namespace {

enum class TokenKind { Literal, Star, DosStar, DosQuestionMark, DosDot };
struct Token {
    TokenKind kind;
    char character;
};

bool MatchFrom(const std::vector<Token>& tokens, std::size_t token, std::string_view name, std::size_t position,
               std::size_t lastDot)
{
    while (token < tokens.size()) {
        switch (tokens[token].kind) {
        case TokenKind::Literal:
            if (position == name.size() || ToUpperAscii(name[position]) != ToUpperAscii(tokens[token].character))
                return false;
            ++token;
            ++position;
            break;
        case TokenKind::DosQuestionMark:
            if (position == name.size() || name[position] == '.') {
                while (token < tokens.size() && tokens[token].kind == TokenKind::DosQuestionMark) ++token;
            } else {
                ++token;
                ++position;
            }
            break;
        case TokenKind::DosDot:
            if (position < name.size()) {
                if (name[position] != '.')
                    return false;
                ++position;
            }
            ++token;
            break;
        case TokenKind::Star:
            for (std::size_t end = position; end <= name.size(); ++end)
                if (MatchFrom(tokens, token + 1, name, end, lastDot))
                    return true;
            return false;
        case TokenKind::DosStar:
            for (std::size_t end = position;; ++end) {
                if (MatchFrom(tokens, token + 1, name, end, lastDot))
                    return true;
                if (end == name.size() || end == lastDot)
                    return false;
            }
        }
    }
    return position == name.size();
}

// A name a search may hand back that is no entry of the folder itself. The second byte of a
// double-byte character (ソ is 83 5C in code page 932) is part of the name, not a separator.
bool IsPlainName(std::string_view name, const TextCodePage& codePage)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(name[i]);
        if (codePage.IsLeadByte(byte) && i + 1 < name.size())
            ++i;
        else if (byte == '\\' || byte == '/' || byte == ':')
            return false;
    }
    return true;
}

} // namespace

bool MatchesSearchPattern(std::string_view name, std::string_view pattern)
{
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '?')
            tokens.push_back(Token{TokenKind::DosQuestionMark, '?'});
        else if (pattern[i] == '*')
            tokens.push_back(Token{next == '.' ? TokenKind::DosStar : TokenKind::Star, '*'});
        else if (pattern[i] == '.' && (next == '\0' || next == '?' || next == '*'))
            tokens.push_back(Token{TokenKind::DosDot, '.'});
        else
            tokens.push_back(Token{TokenKind::Literal, pattern[i]});
    }
    return MatchFrom(tokens, 0, name, 0, name.rfind('.'));
}

std::vector<std::string> FindMatchingFiles(FileSystem& files, const TextCodePage& codePage, const std::string& pattern)
{
    // The name part of the pattern is always ASCII of our own, so its last backslash is the
    // separator whatever double-byte characters the folder holds.
    const std::size_t separator = pattern.rfind('\\');
    const std::string_view namePattern =
        separator == std::string::npos ? std::string_view(pattern) : std::string_view(pattern).substr(separator + 1);
    std::vector<std::string> names;
    for (std::string& name : files.FindFiles(pattern)) {
        if (IsPlainName(name, codePage) && MatchesSearchPattern(name, namePattern))
            names.push_back(std::move(name));
    }
    return names;
}
