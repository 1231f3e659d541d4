/* pelldb_odbc.dll: a pell driver (handle layout in pelldrv.h) over the ODBC driver manager.

   Connection keys (a null value counts as not given; a null key is refused):
     "DSN" or "db"        data source name (required)
     "UID" or "uid"       user name
     "PWD" or "pwd"       password
     "autocommit"         "0" or "no": manual commit; otherwise every statement commits.
                          Closing a connection in manual mode rolls back what is open.
     "pooling"            read by the loader, ignored here
   Any other key is refused. The values go to SQLConnect as separate arguments, so no
   connection string is ever built from them.

   Table list (connection offset 24), argument `what`: bit 0 tables, bit 1 views; the
   result has the columns of SQLTables (TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE,
   REMARKS). Executing such a statement lists again.

   Type letters: text 's' (detail 'v' char/varchar, 'l' long text; any type ODBC cannot
   give otherwise is text with detail 'o'), binary 'b' ('v' or 'l'), number 'n' ('i' for
   integer types and decimals without scale, 'f' otherwise), date-time 'd' ('d' date,
   't' time, 's' timestamp). A parameter whose type the ODBC driver cannot describe is text.

   Values of a fetched row stay valid until the next fetch, execute or close of the
   statement. A statement without a result set answers fetch with "no more rows".
   Parameter values are copied when they are set; a parameter never set is sent as NULL.

   The environment sets the stay-loaded flag: unloading the driver manager and its drivers
   after every last disconnect is slow, and not every ODBC driver survives being unloaded.

   Error codes and texts (the text of PELL_EODBC is the ODBC driver's own):
     0    no error
     101  "SSSSS: message"                      the ODBC driver or driver manager failed
          ("ODBC call failed." when it left no diagnostic)
     102  "Out of memory."
     103  "Invalid argument."                   null handle, pointer or statement text
     104  "No data source name: give DSN or db."
     105  "Unknown connection key: KEY" / "Null connection key."
     106  "Column index out of range."
     107  "Parameter index out of range."
     108  "Date or time outside the calendar."
     109  "No current row."                     column value before a row was fetched
     110  "Statement not executed."             fetch before execute
     111  "Value too long."                     a parameter of 2 GB or more
   Every call on a handle first clears that handle's error. */
#ifndef PELLDB_H
#define PELLDB_H

#include "pelldrv.h"

#define PELL_EODBC 101
#define PELL_ENOMEM 102
#define PELL_EARG 103
#define PELL_ENODSN 104
#define PELL_EKEY 105
#define PELL_ECOLUMN 106
#define PELL_EPARAM 107
#define PELL_EDATE 108
#define PELL_ENOROW 109
#define PELL_ENOTEXEC 110
#define PELL_ETOOLONG 111

#endif
