/* cXdbc2: data access through a driver library loaded by name at run time.

   The library exports "openenv"; environment, connection and statement handles are
   records of function pointers at fixed byte offsets. Loaded drivers and open connections
   are kept in one process-wide pool (not guarded: use cXdbc2 from one thread), so objects
   connecting with equal parameters share one connection; a request with the key "pooling"
   set to "0" or "no" opens a connection of its own. Copies of an object share its body.

   Indexes of columns and parameters start at 0. Type codes: 1 number, 2 text, 4 date-time,
   8 binary, 0 anything else.

   Errors: the driver's code and text, or code 1 with one of
     "Cannot load the driver!"
     "Cannot find openenv function within the driver library!"
     "openenv function failed!"
     "Invalid connection parameters!"             null library, negative count, null list
     "The driver does not implement this function!"
     "Not connected!"
     "No statement!"                              no prepared statement, or no SQL text
     "Index out of range!"                        column or parameter index
     "No such column!"                            lookup by name
     "Unsupported value type!"                    type letters of no known kind
     "Date outside the calendar!"                 date record from the driver
     "No object to clone from!"
   Errors stay until the next failure or disconnect(). */
#ifndef VORCORE_XDBC2_H
#define VORCORE_XDBC2_H

#include "vorcore.h"
#include "values.h"

struct xdbc2Body;

class VORCORE_API cXdbc2 : public cObjext {
public:
    cXdbc2();
    cXdbc2(cXdbc2 const& other);             // shares the other's body
    cXdbc2& operator=(cXdbc2 const& other);  // cloneFrom(&other)
    virtual ~cXdbc2();

    /* keyValues: count entries, alternating key and value; either may be null. */
    bool connect(char const* library, int count, char** keyValues);
    /* "pelldb_odbc.dll" with "DSN", "UID", "PWD". */
    bool connect(char const* dsn, char const* uid, char const* pwd);
    /* library with "db", "uid", "pwd". */
    bool connect(char const* library, char const* db, char const* uid, char const* pwd);
    bool disconnect();
    bool cloneFrom(cXdbc2 const* other);
    bool isConnected();

    int error();
    char* errorStr();  // never null

    bool prepare(char const* sql);
    bool tableList();
    bool execute();
    bool execute(cVariablex* first, ...);  // values to bind, ending with a null pointer
    bool fetchNext();                      // false at the end (error() unchanged) and on error
    bool fetchNext(cVariablex* first, ...);
    bool finish();
    bool resetParams();
    bool commit();
    bool rollback();

    int colCount();
    int prmCount();
    char* colName(int i);  // owned by the driver; "" when there is none
    int colType(int i);
    int colType(char const* name);
    int prmType(int i);
    bool colValue(int i, cVariablex& v);
    bool colValue(char const* name, cVariablex& v);
    bool setValue(int i, cVariablex& v);
    bool setValue(cVariablex& v);  // the next parameter

private:
    xdbc2Body* body;
};

#endif
