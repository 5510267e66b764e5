// Stray elements in the text sections, and the tag pairing of a script the
// parser refused.
#include "authoring/lint_structure.h"

#include <algorithm>
#include <cstring>

#include "package/script_vocabulary.h"

namespace {

bool IsLanguage(const char* tag) {
  for (const char* l : kLanguageTags)
    if (std::strcmp(tag, l) == 0) return true;
  return false;
}

std::string Tag(const TiXmlElement* e) { return std::string("<") + e->Value() + ">"; }

}  // namespace

void LintTextSections(const LintContext& c) {
  for (const TiXmlElement* section = c.rawConfig->FirstChildElement(); section;
       section = section->NextSiblingElement()) {
    const std::string name = section->Value();
    const bool values = name == kSetupInfoSection || name == kCustomInfoSection;
    const bool texts = name == kCustomStringSection || name == kTemplatesSection;
    if (!values && !texts) continue;
    for (const TiXmlElement* entry = section->FirstChildElement(); entry;
         entry = entry->NextSiblingElement()) {
      if (entry->FirstAttribute()) {
        c.Add(entry, LintSeverity::kError,
              "stray element " + Tag(entry) + " with attributes in " + name +
                  ", which holds only texts: an action belongs in an Action list",
              name);
        continue;
      }
      for (const TiXmlElement* inner = entry->FirstChildElement(); inner;
           inner = inner->NextSiblingElement()) {
        if (values) {
          c.Add(inner, LintSeverity::kError,
                "stray element " + Tag(inner) + " inside the value " + Tag(entry) + " of " + name +
                    ": a value is text only",
                name);
        } else if (!IsLanguage(inner->Value())) {
          c.Add(inner, LintSeverity::kError,
                "stray element " + Tag(inner) + " inside " + Tag(entry) + " of " + name +
                    ": only <zh_cn>, <en_us> and <zh_tw> texts belong there",
                name);
        } else if (const TiXmlElement* deeper = inner->FirstChildElement()) {
          c.Add(deeper, LintSeverity::kError,
                "stray element " + Tag(deeper) + " inside the " + inner->Value() + " text of " +
                    Tag(entry) + ": a text holds no elements",
                name);
        }
      }
    }
  }
}

namespace {

struct OpenTag {
  std::string name;
  int line, column;
};

// Scans markup as the parser reads it: comments, declarations and CDATA
// hold no tags; quoted attribute values may hold '>'.
class TagScanner {
 public:
  explicit TagScanner(const std::string& text) : text_(text) {
    for (size_t i = 0; i < text_.size(); ++i)
      if (text_[i] == '\n') lineStarts_.push_back(i + 1);
  }

  bool Run(LintFinding* finding) {
    std::vector<OpenTag> open;
    while ((pos_ = text_.find('<', pos_)) != std::string::npos) {
      const size_t start = pos_;
      if (Skip("<!--", "-->") || Skip("<![CDATA[", "]]>") || Skip("<?", "?>") || Skip("<!", ">"))
        continue;
      const bool closing = text_.compare(pos_, 2, "</") == 0;
      pos_ += closing ? 2 : 1;
      const std::string name = Name();
      bool selfClosing = false;
      for (char quote = 0; pos_ < text_.size(); ++pos_) {
        const char ch = text_[pos_];
        if (quote) {
          if (ch == quote) quote = 0;
        } else if (ch == '"' || ch == '\'') {
          quote = ch;
        } else if (ch == '>') {
          selfClosing = text_[pos_ - 1] == '/';
          break;
        }
      }
      if (name.empty()) return false;  // not a tag the scanner understands
      if (!closing) {
        if (!selfClosing) open.push_back({name, LineOf(start), ColumnOf(start)});
        continue;
      }
      if (!open.empty() && open.back().name == name) {
        open.pop_back();
        continue;
      }
      bool opened = false;
      for (const OpenTag& t : open) opened = opened || t.name == name;
      if (opened) {
        const OpenTag& left = open.back();
        *finding = {left.line, left.column, LintSeverity::kError,
                    "not well-formed: <" + left.name + "> is never closed (</" + name + "> at line " +
                        std::to_string(LineOf(start)) + " closes an element around it)",
                    {}, "format"};
      } else {
        *finding = {LineOf(start), ColumnOf(start), LintSeverity::kError,
                    "not well-formed: </" + name + "> closes no open element", {}, "format"};
      }
      return true;
    }
    if (open.empty()) return false;
    const OpenTag& left = open.back();
    *finding = {left.line, left.column, LintSeverity::kError,
                "not well-formed: <" + left.name + "> is never closed (the script ends first)", {}, "format"};
    return true;
  }

 private:
  bool Skip(const char* begin, const char* end) {
    if (text_.compare(pos_, std::strlen(begin), begin) != 0) return false;
    const size_t close = text_.find(end, pos_ + std::strlen(begin));
    pos_ = close == std::string::npos ? text_.size() : close + std::strlen(end);
    return true;
  }
  std::string Name() {
    const size_t end = text_.find_first_of(" \t\r\n/>", pos_);
    std::string name = text_.substr(pos_, (end == std::string::npos ? text_.size() : end) - pos_);
    pos_ += name.size();
    return name;
  }
  int LineOf(size_t offset) const {
    return int(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset) - lineStarts_.begin());
  }
  int ColumnOf(size_t offset) const {
    int column = 1;
    for (size_t i = lineStarts_[size_t(LineOf(offset)) - 1]; i < offset; ++i)
      column += (static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80;
    return column;
  }

  const std::string& text_;
  std::vector<size_t> lineStarts_{0};
  size_t pos_ = 0;
};

}  // namespace

bool FindUnclosedElement(const std::string& text, LintFinding* finding) {
  return TagScanner(text).Run(finding);
}
