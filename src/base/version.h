// The product's name, maker and version, as its files' version resources and windows show
// them and as the uninstall entry records them. Only #defines: the resource scripts of the
// product's files include it too.
#pragma once

#define KV_MAKER_NAME   "Oxtavine"
#define KV_PRODUCT_NAME "KORVID Pro 2000"
// The maker and the product, as the product's windows name them.
#define KV_MAKER_PRODUCT "Oxtavine KORVID Pro 2000"
#define KV_COPYRIGHT     "Copyright (C) 1996-1999 Oxtavine"
// The file version: the numbers of the version resource, and as text.
#define KV_VERSION_NUMBERS 7, 0, 0, 124
#define KV_VERSION_TEXT    "7.0.0.124"
#define KV_PRODUCT_VERSION "7.0"
