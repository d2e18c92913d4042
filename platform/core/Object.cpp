#include "platform/core/Object.h"

#include "platform/core/Exceptions.h"

void TPersistent::Assign(TPersistent* Source) {
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    throw EConvertError(errors::Assign(nullptr, ClassName()));
}

void TPersistent::AssignTo(TPersistent* Dest) {
    throw EConvertError(errors::Assign(ClassName(), Dest ? Dest->ClassName() : "nil"));
}
