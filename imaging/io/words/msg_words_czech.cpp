// The Czech row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kCzechWords = {
    /*   0 */ u"Náhled", u"Originál", u"Výsledek", u"OK", u"Storno", u"Zamknout náhled",
    /*   6 */ u"Kopírovat výsledek do originálu", u"Kontrast", u"Jas", u"Odstín", u"Sytost",
    /*  11 */ u"Hodnota", u"Základní barva", u"Nová barva", u"Světelnost", u"Červená", u"Zelená",
    /*  17 */ u"Modrá",
    /*  18 */ u"Hodnoty filtru", u"Předvolby", u"Dělitel", u"Načíst", u"Uložit", u"Vyrovnání",
    /*  24 */ u"Práh", u"Vyrovnat", u"Histogram", u"Šedá", u"Světlo", u"Vlevo", u"Nahoře",
    /*  31 */ u"Šířka", u"Výška", u"Barva", u"Podíl původního obrázku", u"Čočka", u"Lom",
    /*  37 */ u"Náhled parametrů", u"Kvalita", u"Metoda DCT", u"Faktor vyhlazení",
    /*  41 */ u"Stupně šedi", u"Optimální Huffman", u"Původní velikost", u"Komprimovaná velikost",
    /*  45 */ u"Pokročilé", u"Progresivní", u"Komprese", u"Index obrázku", u"Fotometrie",
    /*  50 */ u"Informace o naskenovaném dokumentu", u"Název", u"Popis", u"Název stránky",
    /*  54 */ u"Číslo stránky",
    /*  55 */ u"z", u"Vodor. poloha (palce)", u"Svislá poloha (palce)", u"Barvy",
    /*  59 */ u"Průhledný", u"Průhledná barva", u"Prokládaný", u"Pozadí",
    /*  63 */ u"Vodor. poloha", u"Svislá poloha", u"Zpoždění", u"Filtr", u"Vlna",
    /*  68 */ u"Amplituda", u"Vlnová délka", u"Fáze", u"Odrazivý", u"Uživatelský filtr",
    /*  73 */ u"Morfologické filtry", u"Velikost okna", u"Maximum", u"Minimum", u"Otevření",
    /*  78 */ u"Uzavření", u"Otočit", u"Převrátit", u"Vodorovně", u"Svisle",
    /*  83 */ u"Obrázek ve frekvenční oblasti", u"Vyberte oblast k vyčištění", u"Vymazat",
    /*  86 */ u"Obnovit",
    /*  87 */ u"Animovat", u"Načíst filtr", u"Uložit filtr", u"Reliéfní mapa", u"Tisk", u"Okraje",
    /*  93 */ u"palce", u"Vpravo", u"Dole", u"Poloha", u"Velikost", u"Normální",
    /*  99 */ u"Přizpůsobit stránce",
    /* 100 */ u"Roztáhnout na stránku", u"Zadaná velikost", u"Korekce gama", u"Hodnota",
    /* 104 */ u"Nastavení tisku", u"Levý okraj", u"Horní okraj", u"Pravý okraj", u"Dolní okraj",
    /* 109 */ u"Umístění/velikost", u"Vlevo nahoře", u"Nahoře uprostřed", u"Vpravo nahoře",
    /* 113 */ u"Vlevo uprostřed",
    /* 114 */ u"Uprostřed", u"Vpravo uprostřed", u"Vlevo dole", u"Dole uprostřed", u"Vpravo dole",
    /* 119 */ u"Zavřít", u"Použít", u"Měrné jednotky", u"Jednotky", u"Frekvence",
    /* 124 */ u"Všechny obrázky",
    /* 125 */ u"Video pro Windows", u"Soubor", u"Pam",
    /* 128 */ u"Automaticky aktualizuje náhled podle vybraných změn",
    /* 129 */ u"Tisknout vše", u"Tisknout vybrané", u"Běžné grafické soubory", u"Všechny soubory",
    /* 133 */ u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Zostřit", u"Kanály", u"pixel", u"snímky", u"bit",
    /* 142 */ u"bajt", u"dpi", u"kB", u"Přizpůsobit",
};

}  // namespace calmora
