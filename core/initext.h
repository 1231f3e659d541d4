/* Changes to the text of an INI file, made where the private-profile calls make them,
   every other line left byte for byte. */
#ifndef VORCORE_INITEXT_H
#define VORCORE_INITEXT_H

#include <string>

#include "vorcore.h"

/* One change: key = value in section. A null value takes the key out, a null key the
   whole section. */
struct cIniEdit {
    char const* section;
    char const* key;
    char const* value;
};

/* text with the edits applied in order. As the profile calls read the text: a line whose
   first non-blank is "[" and that holds a "]" heads the section named between the "[" and
   its last "]", any other line is a key named by what comes before its first "="; names go
   without the blanks around them and compare without regard to the case of ASCII letters
   (Wine's profile calls take "\xC8" and "\xE8" for two names). Only the first section of
   a name is looked at, and in it the first key of a name: its line is rewritten
   "name=value" (the name as the file spells it) or taken out. A new key goes after the last
   non-blank line of its section, a new section at the end. New lines end as the text's
   first line does, "\r\n" when it has none. */
VORCORE_API std::string iniApply(std::string const& text, cIniEdit const* edits, int count);

#endif
