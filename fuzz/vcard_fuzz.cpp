// The vCard reader: a card file from the contacts folder or a synchronised address book. A card
// that reads is edited with the fields it gave, and the result must read again.

#include <cstdio>

#include "contacts/vcard_card.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString why;
    auto card = zuvo::VCardCard::Parse(zuvo::fuzz::Bytes(data, size), &why);
    if (!card) {
        return 0;
    }
    const zuvo::ContactRecord record = card->record();
    (void)card->uid();
    card->Apply(record);
    card->SetDisplayName(record[zuvo::ContactRecord::Display]);
    const QByteArray written = card->bytes();
    QString whyAgain;
    if (!zuvo::VCardCard::Parse(written, &whyAgain)) {
        fprintf(stderr, "the edited card no longer reads (%s):\n%s\n", qPrintable(whyAgain),
                written.constData());
        __builtin_trap();
    }
    return 0;
}
