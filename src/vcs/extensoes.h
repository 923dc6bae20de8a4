#pragma once
// The file patterns of each development platform: the masks the file choices
// offer and the extensions a check-out accepts.
#include <QString>

namespace vcs::extensoes {

inline const QString &Delphi()
{
    static const QString masks = QStringLiteral("*.sql;*.pas;*.dfm;*.dof;*.dpk;*.res;*.dpr;*.tlb;*.cds;*.qr2;*.ico;"
                                                "*.cfg;*.rc;*.inc;");
    return masks;
}

inline const QString &Asp()
{
    static const QString masks = QStringLiteral("*.pas;*.dfm;*.dof;*.res;*.dpr;*.tlb;*.qr2;*.ico;*.cfg;*.css;*.html;"
                                                "*.htm;*.png;*.jpg;*.jpeg;*.xml;*.gif;*.js;*.swf;*.asp;*.rc;");
    return masks;
}

// The Lumetra products and the Lumetra framework share one list.
inline const QString &Lumetra()
{
    static const QString masks = QStringLiteral("*.ini;*.sql;*.json;*.php;*.css;*.html;*.htm;*.png;*.jpg;*.twig;"
                                                "*.xml;*.gif;*.js;*.swf;*.ico;*.jpeg;*.less;*.qr2;*.rptdesign;"
                                                "*.htaccess;*.svg;*.sh;*.dat;*.properties;");
    return masks;
}

}
