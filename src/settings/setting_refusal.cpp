#include "settings/setting_refusal.h"

#include "platform/refusal.h"

int refuse_by_row(const setting_row& row, const char* name, const char* value) {
    switch (row.fill) {
        case message_fill::name: return refuse_with(row.message, name);
        case message_fill::value: return refuse_with(row.message, value);
        case message_fill::none: break;
    }
    return refuse(row.message);
}
