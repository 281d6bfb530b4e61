// The list clicks of the window on a field record, as a user makes them:
// the item is selected first, then its handler runs.
#pragma once

#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/request.h"

namespace kestrel::test {

inline CommandClick ClickCommandNamed(const Catalogue& catalogue, FieldRecord& fields,
                                      const std::string& name, Display& display) {
    fields.selectedCommand = name;
    return ClickCommand(catalogue, fields, display);
}

// The output after a click on a value or a remote button.
inline std::string ClickValueCode(const Catalogue& catalogue, FieldRecord& fields, int position,
                                  Generator& generator, Display& display) {
    ClickValue(catalogue, fields, position, generator, display);
    return fields.txtOutput;
}
inline std::string ClickRemoteCode(const Catalogue& catalogue, FieldRecord& fields, int position,
                                   Generator& generator, Display& display) {
    ClickRemote(catalogue, fields, position, generator, display);
    return fields.txtOutput;
}

}  // namespace kestrel::test
