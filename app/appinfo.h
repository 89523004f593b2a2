// The product's name, version and addresses, shown by the Help menu and the
// about box alike.
#ifndef APPINFO_H
#define APPINFO_H

#define ZV_PRODUCT_NAME "Zandrevik"
#define ZV_VERSION "1.1.0"
#define ZV_HOME_PAGE_URL "https://www.zandrevik.org/"
#define ZV_HELP_URL "https://www.zandrevik.org/help/"
#define ZV_MAIL "support@zandrevik.org"

#endif
