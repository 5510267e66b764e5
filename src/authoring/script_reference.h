// The setup script's reference, generated from the script vocabulary (its
// sections, lists, text keys, package paths and every action type's
// attributes and descriptions) and from the system variables as the program
// builds them, so that it cannot drift from what the program reads.
// `cxpack help script` prints it, docs/script-reference.md holds the same
// text, and lint names the entry of each fault ("cxpack help script#File").
#pragma once
#include <string>
#include <vector>

struct ReferenceEntry {
  std::string name;  // what "script#NAME" names: a section, a list, an action type ...
  std::string text;  // Markdown, beginning with the entry's "## NAME" heading
};

// Every entry, in the reference's order.
std::vector<ReferenceEntry> ScriptReferenceEntries();

// The whole reference: a title and introduction, then every entry.
std::string ScriptReferenceText();

// The entry named `name` (compared ignoring ASCII case), or null.
const ReferenceEntry* FindReferenceEntry(const std::vector<ReferenceEntry>& entries,
                                         const std::string& name);
