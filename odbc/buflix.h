/* Buffer list: one heap buffer per result column or statement parameter. */
#ifndef VORODBC_BUFLIX_H
#define VORODBC_BUFLIX_H

/* Column kinds. */
enum {
    XKIND_NUMBER = 1,     /* double */
    XKIND_TEXT = 2,       /* characters, column size + 1 */
    XKIND_TIMESTAMP = 3,  /* 16-byte timestamp fields */
    XKIND_DATE = 4,       /* 6-byte date fields */
    XKIND_TIME = 5,       /* 6-byte time fields */
    XKIND_LONG = 6        /* long text or binary, delivered as text */
};

/* Largest buffer of a long column: 8191 characters and the terminator. */
#define XLONG_SIZE 8192

struct xbufEntry {
    char* name;           /* column name, null for parameters */
    unsigned char kind;   /* 1..6 */
    int size;             /* bytes in data */
    void* data;           /* heap buffer of size bytes, zeroed when added */
    bool asText;          /* a number or date column fetched as the data source writes it */
    bool binary;          /* XKIND_LONG of bytes: the driver's hex text of them */
};

class cBuflix {
public:
    cBuflix();
    ~cBuflix();
    /* Appends an entry; kinds 1, 3, 4 and 5 fix the size, kinds 2 and 6 and entries
       asText take `size` (at least 1). Returns the entry or null for a kind outside 1..6. */
    xbufEntry* add(char const* name, int kind, int size, bool asText = false);
    void clear();
    int count() const { return n; }
    xbufEntry* at(int i) const { return (i >= 0 && i < n) ? &items[i] : 0; }

private:
    xbufEntry* items;
    int n;
    cBuflix(cBuflix const&) = delete;
    cBuflix& operator=(cBuflix const&) = delete;
};

#endif
