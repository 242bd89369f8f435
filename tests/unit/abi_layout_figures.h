/* Figures of the interface header's layout, in one order, read by a C11 and a C++ translation
 * unit so that the two compilers' layouts can be compared figure by figure. */
#pragma once

#define ZV_ABI_LAYOUT_FIGURES                                                                                    \
  sizeof(ZvValueType), sizeof(ZvValueUnion), sizeof(ZvPropVal), offsetof(ZvElementEntry, secondText),            \
      sizeof(ZvAttributeEntry), sizeof(ZvHostSessionMethods), offsetof(ZvHostSessionMethods, DefineMenuCommand), \
      sizeof(ZvClientEventsMethods)
