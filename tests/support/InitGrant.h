#pragma once
// What the test servers grant in their initialisation answers: search,
// present and named result sets, in every protocol version.
#include <yaz/proto.h>

inline void GrantSearchAndPresent(Z_InitResponse* Ir) {
  ODR_MASK_SET(Ir->options, Z_Options_search);
  ODR_MASK_SET(Ir->options, Z_Options_present);
  ODR_MASK_SET(Ir->options, Z_Options_namedResultSets);
  ODR_MASK_SET(Ir->protocolVersion, Z_ProtocolVersion_1);
  ODR_MASK_SET(Ir->protocolVersion, Z_ProtocolVersion_2);
  ODR_MASK_SET(Ir->protocolVersion, Z_ProtocolVersion_3);
}
