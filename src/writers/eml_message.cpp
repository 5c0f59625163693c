#include "writers/eml_message.h"

#include "dbx/message_flags.h"
#include "writers/status_headers.h"

namespace quernel {

bool AppendEmlMessage(const EmlOptions& options, MessageSource& source, int32_t i, std::string& text) {
  const size_t start = text.size();
  if (!source.appendText(i, text)) return false;
  if (options.statusHeaders) AddStatusHeaders(text, start, MessageFlags(source.properties(i).flags));
  return true;
}

}  // namespace quernel
