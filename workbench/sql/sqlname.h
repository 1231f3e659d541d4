/* Names a data source delivers (tables, result columns) written into SQL. */
#ifndef LUMBRA_SQLNAME_H
#define LUMBRA_SQLNAME_H

#include <string>

#include "xdbc.h"

/* name as the rule writes it: bare when it is a plain name (ASCII letters, digits and '_',
   no digit first, no keyword, in the case the source folds to), else between the rule's
   quotes with inner quotes doubled. Empty when it needs quotes the source does not have. */
std::string sqlName(char const* name, xnameRule const& rule);

/* The rule of db's data source; the standard's (every name quoted) when db is null or
   does not know it. */
xnameRule sqlNameRule(cXdbc* db);

#endif
