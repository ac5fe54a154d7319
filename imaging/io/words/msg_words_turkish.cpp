// The Turkish row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kTurkishWords = {
    /*   0 */ u"Önizleme", u"Özgün", u"Sonuç", u"Tamam", u"İptal", u"Önizlemeyi kilitle",
    /*   6 */ u"Sonucu özgüne kopyala", u"Karşıtlık", u"Parlaklık", u"Renk tonu", u"Doygunluk",
    /*  11 */ u"Değer", u"Temel renk", u"Yeni renk", u"Işıklılık", u"Kırmızı", u"Yeşil", u"Mavi",
    /*  18 */ u"Süzgeç değerleri", u"Hazır ayarlar", u"Bölen", u"Yükle", u"Kaydet", u"Eşitleme",
    /*  24 */ u"Eşik", u"Eşitle", u"Histogram", u"Gri", u"Işık", u"Sol", u"Üst",
    /*  31 */ u"Genişlik", u"Yükseklik", u"Renk", u"Özgün görüntü oranı", u"Mercek", u"Kırılma",
    /*  37 */ u"Parametre önizlemesi", u"Kalite", u"DCT yöntemi", u"Yumuşatma katsayısı",
    /*  41 */ u"Gri tonlama", u"En iyi Huffman", u"Özgün boyut", u"Sıkıştırılmış boyut",
    /*  45 */ u"Gelişmiş", u"Aşamalı", u"Sıkıştırma", u"Görüntü sırası", u"Fotometrik",
    /*  50 */ u"Taranan belge bilgisi", u"Ad", u"Açıklama", u"Sayfa adı", u"Sayfa numarası",
    /*  55 */ u"/", u"Yatay konum (inç)", u"Dikey konum (inç)", u"Renkler",
    /*  59 */ u"Saydam", u"Saydam renk", u"Geçmeli", u"Arka plan",
    /*  63 */ u"Yatay konum", u"Dikey konum", u"Gecikme süresi", u"Süzgeç", u"Dalga",
    /*  68 */ u"Genlik", u"Dalga boyu", u"Faz", u"Yansıtıcı", u"Kullanıcı süzgeci",
    /*  73 */ u"Morfolojik süzgeçler", u"Pencere boyutu", u"En büyük", u"En küçük", u"Açma",
    /*  78 */ u"Kapama", u"Döndür", u"Çevir", u"Yatay", u"Dikey",
    /*  83 */ u"Frekans alanı görüntüsü", u"Temizlenecek bölgeyi seçin", u"Temizle", u"Sıfırla",
    /*  87 */ u"Canlandır", u"Süzgeç yükle", u"Süzgeci kaydet", u"Kabartma haritası", u"Yazdır",
    /*  92 */ u"Kenar boşlukları",
    /*  93 */ u"inç", u"Sağ", u"Alt", u"Konum", u"Boyut", u"Normal", u"Sayfaya sığdır",
    /* 100 */ u"Sayfaya uzat", u"Belirtilen boyut", u"Gama düzeltmesi", u"Değer",
    /* 104 */ u"Yazdırma ayarları", u"Sol kenar boşluğu", u"Üst kenar boşluğu",
    /* 107 */ u"Sağ kenar boşluğu", u"Alt kenar boşluğu",
    /* 109 */ u"Konum/boyut", u"Sol üst", u"Orta üst", u"Sağ üst", u"Orta sol",
    /* 114 */ u"Orta", u"Orta sağ", u"Sol alt", u"Orta alt", u"Sağ alt",
    /* 119 */ u"Kapat", u"Uygula", u"Ölçü birimleri", u"Birimler", u"Oran", u"Tüm grafikler",
    /* 125 */ u"Windows için Video", u"Dosya", u"Bellek",
    /* 128 */ u"Seçtiğiniz değişikliklerle önizlemeyi kendiliğinden günceller",
    /* 129 */ u"Tümünü yazdır", u"Seçilenleri yazdır", u"Yaygın grafik dosyaları", u"Tüm dosyalar",
    /* 133 */ u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Keskinleştir", u"Kanallar", u"piksel", u"kareler", u"bit",
    /* 142 */ u"bayt", u"dpi", u"KB", u"Sığdır",
};

}  // namespace calmora
