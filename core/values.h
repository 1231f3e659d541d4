/* Typed values shared by the data access, the grid and the workbench:
   cStrinx (text), cNumbex (number) and cDatex (date-time), all behind cVariablex. */
#ifndef VORCORE_VALUES_H
#define VORCORE_VALUES_H

#include <stddef.h>

#include "vorcore.h"
#include "timex.h"

class cStrinx;
class cNumbex;
class cDatex;

/* Type codes returned by cVariablex::type(). */
#define VTYPE_NUMBEX 1
#define VTYPE_STRINX 2
#define VTYPE_DATEX 4

/* Base of every object that may be created in one module and destroyed in another:
   its storage always comes from the shared allocator. */
class VORCORE_API cObjext {
public:
    cObjext() {}
    static void* operator new(size_t size);
    static void operator delete(void* p);
    static void* operator new[](size_t size);
    static void operator delete[](void* p);
};

/* Abstract typed value with a null flag. */
class VORCORE_API cVariablex : public cObjext {
public:
    bool null;  // true: the value is null

    cVariablex();  // leaves `null` to the derived constructor
    bool isNull();
    void unsetNull();

    /* The order of these entries is the layout of the virtual table. */
    virtual ~cVariablex();
    virtual void setNull() = 0;
    virtual double toDouble() = 0;
    virtual cNumbex toNumbex() = 0;
    virtual char* toChars(char const* fmt, bool force) = 0;
    virtual cStrinx toStrinx(char const* fmt, bool force) = 0;
    virtual __int64 toTimext() = 0;
    virtual cDatex toDatex() = 0;
    virtual void set(__int64 t) = 0;
    virtual void set(char const* s, int len) = 0;  // len < 0: up to the terminator
    virtual void set(double d) = 0;
    virtual void setVarptr(cVariablex* v) = 0;
    virtual void recode(short codepage) = 0;
    virtual short type() = 0;
    virtual void freesval() = 0;
};

/* Text value. `text` is never a null pointer; `null` is set exactly when it is empty.
   The block holds alloc + 1 bytes and only grows, except through setNull(). */
class VORCORE_API cStrinx : public cVariablex {
public:
    char* text;
    int alloc;

    cStrinx();
    cStrinx(char const* s);
    cStrinx(cStrinx const& s);
    explicit cStrinx(cStrinx const* s);
    cStrinx(char const* a, char const* b);  // concatenation
    cStrinx(char const* s, int n);          // s repeated n times
    virtual ~cStrinx();

    cStrinx& operator=(char const* s);
    cStrinx& operator=(cStrinx const& s);

    virtual void setNull();
    virtual double toDouble();
    virtual cNumbex toNumbex();
    virtual char* toChars(char const* fmt, bool force);
    virtual cStrinx toStrinx(char const* fmt, bool force);
    virtual __int64 toTimext();
    virtual cDatex toDatex();
    virtual void set(__int64 t);
    virtual void set(char const* s, int len);
    virtual void set(double d);
    virtual void setVarptr(cVariablex* v);
    virtual void recode(short codepage);
    virtual short type();
    virtual void freesval();

    void setAlloc(int n);
    int getAlloc();
    bool empty();
    int len();
    operator char*();
    operator char const*() const;
    char& operator[](int i);

    cStrinx left(int n);
    cStrinx leftBut(int n);
    cStrinx right(int n);
    cStrinx mid(int start, int count);
    int substr(char const* needle, int from);
    cStrinx replace(char const* find, char const* with);
    cStrinx& join(char const* s, char const* sep);
    cStrinx ltrim();
    cStrinx rtrim();
    cStrinx trim();
    cStrinx lcase();
    cStrinx ucase();

    cStrinx& operator+=(char const* s);
    cStrinx& operator+=(cNumbex const& n);
    cStrinx& operator+=(int i);
    cStrinx& operator*=(int n);
};

VORCORE_API cStrinx operator+(cStrinx const& a, cStrinx const& b);
VORCORE_API cStrinx operator+(cStrinx const& a, char const* b);
VORCORE_API cStrinx operator+(char const* a, cStrinx const& b);
VORCORE_API cStrinx operator+(cStrinx const& a, cNumbex const& n);
VORCORE_API cStrinx operator+(cStrinx const& a, int i);
VORCORE_API cStrinx operator*(cStrinx const& a, int n);

VORCORE_API int operator==(cStrinx const& a, cStrinx const& b);
VORCORE_API int operator==(cStrinx const& a, char const* b);
VORCORE_API int operator==(char const* a, cStrinx const& b);
VORCORE_API int operator!=(cStrinx const& a, cStrinx const& b);
VORCORE_API int operator!=(cStrinx const& a, char const* b);
VORCORE_API int operator!=(char const* a, cStrinx const& b);
VORCORE_API int operator<(cStrinx const& a, cStrinx const& b);
VORCORE_API int operator<(cStrinx const& a, char const* b);
VORCORE_API int operator<(char const* a, cStrinx const& b);
VORCORE_API int operator<=(cStrinx const& a, cStrinx const& b);
VORCORE_API int operator<=(cStrinx const& a, char const* b);
VORCORE_API int operator<=(char const* a, cStrinx const& b);
VORCORE_API int operator>(cStrinx const& a, cStrinx const& b);
VORCORE_API int operator>(cStrinx const& a, char const* b);
VORCORE_API int operator>(char const* a, cStrinx const& b);
VORCORE_API int operator>=(cStrinx const& a, cStrinx const& b);
VORCORE_API int operator>=(cStrinx const& a, char const* b);
VORCORE_API int operator>=(char const* a, cStrinx const& b);

/* Number value: a double with a display setting of 0..4 decimals and a cached text. */
class VORCORE_API cNumbex : public cVariablex {
public:
    double value;      // 0.0 while null
    char* text;        // text of the last toChars, or a null pointer
    short numbexType;  // index into NumbexFormats: decimals used when no format is given

    static char* NumbexFormats[5];  // "%.0f" .. "%.4f"

    cNumbex();
    cNumbex(double d);
    cNumbex(cNumbex const& n);
    virtual ~cNumbex();

    cNumbex& operator=(double d);
    cNumbex& operator=(cNumbex const& n);

    virtual void setNull();
    virtual double toDouble();
    virtual cNumbex toNumbex();
    /* fmt: null or "" = NumbexFormats[numbexType], "BEST_FMT" = fewest exact decimals,
       else a printf format taking one double. */
    virtual char* toChars(char const* fmt, bool force);
    virtual cStrinx toStrinx(char const* fmt, bool force);
    virtual __int64 toTimext();
    virtual cDatex toDatex();
    virtual void set(__int64 t);
    virtual void set(char const* s, int len);
    virtual void set(double d);
    virtual void setVarptr(cVariablex* v);
    virtual void recode(short codepage);
    virtual short type();
    virtual void freesval();

    char* toChars(short decimals);
    /* The text toChars(fmt) gives, printed into buf without touching the kept text, for the
       fixed formats "%.0f" .. "%.4f" and "BEST_FMT"; -1 for any other format, a null
       value or a buffer too small. */
    int print(char const* fmt, char* buf, int size) const;
    char const* formatFor(char const* fmt) const;
    void setNumbexType(short t);
    short toShort();
    operator double() const;

    double floor();
    double ceil();
    double abs();
    double exp();
    double log();
    double log10();
    double sqrt();
    double pow(double e);
    double div(double d);
    double round(short n);

    static void srand(int seed);
    double rand();

    int operator!() const;
    cNumbex operator++();
    cNumbex operator++(int);
    cNumbex operator--();
    cNumbex operator--(int);
};

VORCORE_API cNumbex operator+(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator+(cNumbex const& a, double b);
VORCORE_API cNumbex operator+(double a, cNumbex const& b);
VORCORE_API cNumbex operator-(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator-(cNumbex const& a, double b);
VORCORE_API cNumbex operator-(double a, cNumbex const& b);
VORCORE_API cNumbex operator*(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator*(cNumbex const& a, double b);
VORCORE_API cNumbex operator*(double a, cNumbex const& b);
VORCORE_API cNumbex operator/(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator/(cNumbex const& a, double b);
VORCORE_API cNumbex operator/(double a, cNumbex const& b);
VORCORE_API cNumbex operator%(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator%(cNumbex const& a, double b);
VORCORE_API cNumbex operator%(double a, cNumbex const& b);

VORCORE_API cNumbex operator^(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator^(cNumbex const& a, long b);
VORCORE_API cNumbex operator^(long a, cNumbex const& b);
VORCORE_API cNumbex operator&(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator&(cNumbex const& a, long b);
VORCORE_API cNumbex operator&(long a, cNumbex const& b);
VORCORE_API cNumbex operator|(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator|(cNumbex const& a, long b);
VORCORE_API cNumbex operator|(long a, cNumbex const& b);
VORCORE_API cNumbex operator<<(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator<<(cNumbex const& a, long b);
VORCORE_API cNumbex operator<<(long a, cNumbex const& b);
VORCORE_API cNumbex operator>>(cNumbex const& a, cNumbex const& b);
VORCORE_API cNumbex operator>>(cNumbex const& a, long b);
VORCORE_API cNumbex operator>>(long a, cNumbex const& b);

VORCORE_API int operator&&(cNumbex const& a, cNumbex const& b);
VORCORE_API int operator&&(cNumbex const& a, double b);
VORCORE_API int operator&&(double a, cNumbex const& b);
VORCORE_API int operator||(cNumbex const& a, cNumbex const& b);

VORCORE_API int operator==(cNumbex const& a, cNumbex const& b);
VORCORE_API int operator==(cNumbex const& a, double b);
VORCORE_API int operator==(double a, cNumbex const& b);
VORCORE_API int operator!=(cNumbex const& a, cNumbex const& b);
VORCORE_API int operator!=(cNumbex const& a, double b);
VORCORE_API int operator!=(double a, cNumbex const& b);
VORCORE_API int operator<(cNumbex const& a, cNumbex const& b);
VORCORE_API int operator<(cNumbex const& a, double b);
VORCORE_API int operator<(double a, cNumbex const& b);
VORCORE_API int operator<=(cNumbex const& a, cNumbex const& b);
VORCORE_API int operator<=(cNumbex const& a, double b);
VORCORE_API int operator<=(double a, cNumbex const& b);
VORCORE_API int operator>(cNumbex const& a, cNumbex const& b);
VORCORE_API int operator>(cNumbex const& a, double b);
VORCORE_API int operator>(double a, cNumbex const& b);
VORCORE_API int operator>=(cNumbex const& a, cNumbex const& b);
VORCORE_API int operator>=(cNumbex const& a, double b);
VORCORE_API int operator>=(double a, cNumbex const& b);

/* Prints v as printf's "%.<decimals>f" (decimals 0..4) into out, without printf where that
   gives the same text; returns the length, or -1 when out is too small. */
VORCORE_API int numbex_print(double v, int decimals, char* out, int size);
/* Fewest decimals, at most four, that print v exactly: the "BEST_FMT" rule. */
VORCORE_API int numbex_bestDecimals(double v);

/* Date-time value, kept either packed (timex) or unpacked (_tmx) and converted lazily;
   datexType picks the default picture: 0 date and time, 1 date, 2 time. */
class VORCORE_API cDatex : public cVariablex {
public:
    union When {
        __int64 t;
        _tmx tm;
    };
    /* Conversions between the two forms happen even in reading operations. */
    mutable When when;
    mutable bool packed;  // true: when.t is valid, false: when.tm is valid
    char* text;           // text of the last toChars, or a null pointer
    short datexType;

    cDatex();
    cDatex(__int64 t);
    cDatex(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0);
    cDatex(cDatex const& d);
    explicit cDatex(cDatex const* d);
    virtual ~cDatex();

    cDatex& operator=(__int64 t);
    cDatex& operator=(cDatex const& d);

    virtual void setNull();
    virtual double toDouble();
    virtual cNumbex toNumbex();
    virtual char* toChars(char const* fmt, bool force);
    virtual cStrinx toStrinx(char const* fmt, bool force);
    virtual __int64 toTimext();
    virtual cDatex toDatex();
    virtual void set(__int64 t);
    virtual void set(char const* s, int len);
    virtual void set(double d);
    virtual void setVarptr(cVariablex* v);
    virtual void recode(short codepage);
    virtual short type();
    virtual void freesval();

    void set(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0);
    void now();  // local time, whole seconds
    void setDatexType(short t);
    short getDatexType() const { return datexType; }
    char* getFormat();

    /* Switch the storage to one form and return it. */
    __int64 pack() const;
    _tmx const& unpack() const;

    long days();
    int mday();
    int month();
    int year();
    int hour();
    int minute();
    float second();
    int yday();
    int wday();
    int yweek();

    static char* getDefaultFormat(short type);
    static void setDefaultFormat(short type, char const* fmt);

    cDatex addDays(int n);
    cDatex addMonths(int n);
    cDatex addYears(int n);
    cDatex addHours(int n);
    cDatex addMinutes(int n);
    cDatex addSeconds(float s);
    cDatex addDate(int years, int months, int days);
    cDatex addTime(int hours, int minutes, float seconds);
    cDatex addDateTime(int years, int months, int days, int hours, int minutes, float seconds);
    cDatex trunc();
};

VORCORE_API cDatex operator+(cDatex const& a, cDatex const& b);
VORCORE_API cDatex operator-(cDatex const& a, cDatex const& b);
VORCORE_API cDatex operator+(cDatex const& a, __int64 ms);
VORCORE_API cDatex operator+(__int64 ms, cDatex const& b);
VORCORE_API cDatex operator-(cDatex const& a, __int64 ms);
VORCORE_API cDatex operator-(__int64 ms, cDatex const& b);

VORCORE_API int operator==(cDatex const& a, cDatex const& b);
VORCORE_API int operator==(cDatex const& a, __int64 b);
VORCORE_API int operator==(__int64 a, cDatex const& b);
VORCORE_API int operator!=(cDatex const& a, cDatex const& b);
VORCORE_API int operator!=(cDatex const& a, __int64 b);
VORCORE_API int operator!=(__int64 a, cDatex const& b);
VORCORE_API int operator<(cDatex const& a, cDatex const& b);
VORCORE_API int operator<(cDatex const& a, __int64 b);
VORCORE_API int operator<(__int64 a, cDatex const& b);
VORCORE_API int operator<=(cDatex const& a, cDatex const& b);
VORCORE_API int operator<=(cDatex const& a, __int64 b);
VORCORE_API int operator<=(__int64 a, cDatex const& b);
VORCORE_API int operator>(cDatex const& a, cDatex const& b);
VORCORE_API int operator>(cDatex const& a, __int64 b);
VORCORE_API int operator>(__int64 a, cDatex const& b);
VORCORE_API int operator>=(cDatex const& a, cDatex const& b);
VORCORE_API int operator>=(cDatex const& a, __int64 b);
VORCORE_API int operator>=(__int64 a, cDatex const& b);

/* Row ordering used by the grid: -1, 0 or 1 (null flags are not consulted). */
VORCORE_API int xompare(cVariablex& a, cVariablex& b);
VORCORE_API int xompare(cVariablex* a, cVariablex* b);

#endif
