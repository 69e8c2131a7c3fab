#!/usr/bin/env bash
# make-demo.sh - regenerates the Korvane demo catalog in <this folder>/DATA.
# Everything (names, part lists, pictures) is invented/drawn here.
# Requires: ImageMagick 6 `convert` (with the DejaVu-Sans fonts) and `iconv`.
# Text files (.txt/.met): Windows-1251, CR LF line ends, no BOM, no trailing spaces.
set -euo pipefail
export LC_ALL=C

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
D="$HERE/DATA"
FONT=DejaVu-Sans
FONTB=DejaVu-Sans-Bold

rm -rf "$D"
mkdir -p "$D/IMG"

# wtxt FILE : UTF-8 lines on stdin -> FILE (CP1251, CRLF, no trailing blanks, no empty lines)
wtxt() {
  sed -e 's/[[:space:]]*$//' -e '/^$/d' -e 's/$/\r/' | iconv -f UTF-8 -t CP1251 > "$1"
}

# gear_pts CX CY R_OUTER R_INNER TEETH : polygon points of a toothed wheel
gear_pts() {
  awk -v cx="$1" -v cy="$2" -v ro="$3" -v ri="$4" -v n="$5" 'BEGIN {
    pi = atan2(0, -1)
    for (i = 0; i < 4 * n; i++) {
      a = 2 * pi * i / (4 * n); r = (int(i / 2) % 2 == 0) ? ro : ri
      printf "%.1f,%.1f ", cx + r * cos(a), cy + r * sin(a)
    }
  }'
}

# car_pic OUT COLOUR STYLE MAKER MODEL : 600x440 model picture
car_pic() {
  local out=$1 col=$2 style=$3 maker=$4 model=$5 body win extra r x1 x2 cy
  case $style in
    touring)
      body="polygon 50,330 60,270 170,250 240,195 380,190 450,245 555,262 560,330"
      win="polygon 255,205 372,200 425,245 240,252"
      extra="line 60,300 555,300"
      r=50; x1=150; x2=450 ;;
    buggy)
      body="polygon 60,300 75,262 200,245 265,205 300,170 370,168 420,215 520,235 545,300"
      win="polygon 305,180 365,178 405,215 275,222"
      extra="line 500,142 490,240 line 555,142 545,240 rectangle 470,128 585,142"
      r=62; x1=140; x2=465 ;;
    truck)
      body="polygon 40,250 55,190 190,175 235,120 390,115 440,170 555,185 565,250"
      win="polygon 250,130 380,127 420,170 235,178"
      extra="rectangle 80,250 530,270"
      r=85; x1=150; x2=455 ;;
  esac
  cy=$((380 - r))
  convert -size 600x440 xc:'#eef2f6' \
    -fill '#c9d1d9' -draw "rectangle 0,380 599,439" \
    -stroke '#202020' -strokewidth 3 \
    -fill "$col" -draw "$body" -draw "$extra" \
    -fill '#a9d0ee' -draw "$win" \
    -fill '#1c1c1c' -draw "circle $x1,$cy $((x1 + r)),$cy" -draw "circle $x2,$cy $((x2 + r)),$cy" \
    -fill '#b8b8b8' -draw "circle $x1,$cy $((x1 + r / 2)),$cy" -draw "circle $x2,$cy $((x2 + r / 2)),$cy" \
    -stroke none -fill '#202020' -font "$FONTB" -pointsize 40 -annotate +30+62 "$maker" \
    -fill "$col" -pointsize 30 -annotate +30+102 "$model" \
    -fill '#505860' -font "$FONT" -pointsize 14 -gravity southeast -annotate +12+10 "Korvane demo catalog" \
    -quality 80 "$out"
}

# photo OUT TYPE COLOUR CODE : 300x220 part photo
photo() {
  local out=$1 type=$2 col=$3 code=$4 mvg
  case $type in
    gear)  mvg="polygon $(gear_pts 150 92 72 60 22) fill #f4f4f4 circle 150,92 150,70 fill #ffffff circle 150,92 150,82" ;;
    shock) mvg="fill #c0c0c0 rectangle 180,86 252,104 fill $col rectangle 60,68 182,122
                fill #e0e0e0 circle 42,95 42,80 circle 264,95 264,80 fill white circle 42,95 42,89 circle 264,95 264,89
                stroke #303030 stroke-width 4 line 70,58 85,132 line 85,132 100,58 line 100,58 115,132 line 115,132 130,58
                line 130,58 145,132 line 145,132 160,58 line 160,58 175,132" ;;
    arm)   mvg="polygon 40,55 250,88 262,122 40,155 fill white circle 58,72 58,64 circle 58,138 58,130 circle 244,105 244,97" ;;
    wheel) mvg="fill #222222 circle 150,92 150,16 fill $col circle 150,92 150,44 stroke #eeeeee stroke-width 6
                line 150,92 150,48 line 150,92 192,106 line 150,92 176,128 line 150,92 124,128 line 150,92 108,106
                stroke #202020 stroke-width 2 fill white circle 150,92 150,80" ;;
    motor) mvg="fill #909090 rectangle 55,52 78,132 fill $col roundrectangle 72,42 232,142 14,14
                fill #c0c0c0 rectangle 232,85 275,99" ;;
    body)  mvg="polygon 25,150 45,102 110,90 140,48 205,48 235,90 275,102 282,150
                fill #a9d0ee polygon 150,58 200,58 222,90 130,92" ;;
  esac
  convert -size 300x220 xc:white -stroke '#202020' -strokewidth 2 -fill "$col" -draw "$mvg" \
    -stroke none -fill '#101010' -font "$FONTB" -pointsize 22 -gravity south -annotate +0+8 "$code" \
    -quality 80 "$out"
}

# model MAKERDIR MODEL COLOUR STYLE MAKERLABEL ; stdin: "Group|CODE text" lines (UTF-8)
model() {
  local mdir=$1 md=$2 col=$3 style=$4 label=$5 dir data g
  dir="$D/$mdir/$md"
  mkdir -p "$dir/Parts"
  data=$(cat)
  printf '%s\n' "$data" | cut -d'|' -f2- | wtxt "$dir/$md.txt"
  printf '%s\n' "$data" | cut -d'|' -f1 | awk '!seen[$0]++' | wtxt "$dir/Parts/list.txt"
  while IFS= read -r g; do
    printf '%s\n' "$data" | awk -F'|' -v g="$g" '$1 == g { sub(/^[^|]*\|/, ""); print }' | wtxt "$dir/Parts/$g.txt"
  done < <(printf '%s\n' "$data" | cut -d'|' -f1 | awk '!seen[$0]++')
  car_pic "$dir/$md.jpg" "$col" "$style" "$label" "$md"
}

# view MAKERDIR MODEL VIEW ; stdin: "CODE|MX|MY|MVG" lines -> VIEW.bmp + VIEW.met
# (the view names are listed separately with views_list)
view() {
  local dir="$D/$1/$2/Parts/EXPLODED" name=$3 code mx my mvg items
  mkdir -p "$dir"
  items=$(cat)
  local args=(-size 600x440 xc:white -font "$FONT" -stroke '#203040' -strokewidth 2 -fill '#dde6f2')
  while IFS='|' read -r code mx my mvg; do
    args+=(-draw "$mvg")
  done <<< "$items"
  while IFS='|' read -r code mx my mvg; do
    args+=(-fill '#e03020' -stroke '#701010' -strokewidth 1.5 -draw "circle $mx,$my $((mx + 6)),$my"
           -fill '#000000' -stroke none -pointsize 14 -undercolor white -draw "text $((mx + 10)),$((my + 5)) '$code'" -undercolor none)
  done <<< "$items"
  args+=(-fill '#203040' -stroke none -font "$FONTB" -pointsize 20 -draw "text 16,30 '$2 - $name'"
         -stroke '#203040' -strokewidth 1 -draw "line 16,40 584,40")
  convert "${args[@]}" -dither None -colors 16 -type Palette -compress None "BMP3:$dir/$name.bmp"
  while IFS='|' read -r code mx my mvg; do
    printf '%s=%s-%s\n' "$code" "$mx" "$my"
  done <<< "$items" | wtxt "$dir/$name.met"
}

views_list() { # MAKERDIR MODEL VIEW...
  local dir="$D/$1/$2/Parts/EXPLODED"; shift 2
  printf '%s\n' "$@" | wtxt "$dir/list.txt"
}

# ---------------------------------------------------------------- catalog
printf '%s\n' LST XRAY Teamassociated Kyosho | wtxt "$D/catalog.txt"
mkdir -p "$D/LST" "$D/XRAY" "$D/Teamassociated" "$D/KYOSHO"

# ================================================================ LST
printf '%s\n' "LST3" "XTR Sport" | wtxt "$D/LST/catalog.txt"

model LST LST3 '#1f5fbf' truck LST <<'P'
Chassis|L3001 Рама алюминиевая, основная пластина
Chassis|L3002 Стойка рамы передняя (2 шт.)
Chassis|L3003 Стойка рамы задняя (2 шт.)
Chassis|L3010 Крепление батареи, комплект
Chassis|L30101 Ремешок крепления батареи
Chassis|L3020 Площадка сервопривода
Suspension|L3101 Передний нижний рычаг (2 шт.)
Suspension|L31011 Передний нижний рычаг, усиленный (2 шт.)
Suspension|L3102 Задний нижний рычаг (2 шт.)
Suspension|L3110 Амортизатор в сборе, 90 мм (2 шт.)
Suspension|L31101 Пружина амортизатора, мягкая (2 шт.)
Suspension|L31102 Пружина амортизатора, жёсткая (2 шт.)
Suspension|L3120 Ось рычага, сталь (4 шт.)
Suspension|L3121 Поворотный кулак задний (2 шт.)
Transmission|L3201 Дифференциал передний в сборе
Transmission|L32011 Шестерня сателлита дифференциала (4 шт.)
Transmission|L3202 Дифференциал задний в сборе
Transmission|L3210 Центральный вал, сталь
Transmission|L3220 Кардан CVD (2 шт.)
Transmission|L3230 Главная шестерня 46T, модуль 1
Кузов|L3301 Кузов монстр-трака, окрашенный, синий
Кузов|L3302 Антикрыло пластиковое
Кузов|L3303 Крепления кузова (4 шт.)
P

view LST LST3 "Rear suspension" <<'V'
L3102|120|305|polygon 60,280 300,260 300,320 60,340
L3110|218|100|rectangle 200,70 236,200 fill #c0c0c0 rectangle 212,200 224,250
L31101|330|130|fill none stroke-width 3 polyline 280,80 310,95 280,110 310,125 280,140 310,155 280,170 310,185
L3120|190|374|fill #b0b0b0 rectangle 60,370 320,378
L3121|390|215|roundrectangle 360,200 420,330 10,10
L3202|470|130|roundrectangle 440,90 570,170 14,14
L3220|440|386|fill #b0b0b0 rectangle 400,380 570,392 circle 400,386 400,374
V
views_list LST LST3 "Rear suspension"

model LST "XTR Sport" '#e0731a' buggy LST <<'P'
Chassis|L4001 Шасси XTR, пластик
Chassis|L4002 Бампер передний
Chassis|L40021 Бампер передний, алюминий, тюнинг
Chassis|L4003 Защита днища
Steering|L4101 Сервосейвер в сборе
Steering|L4102 Рулевая тяга 60 мм (2 шт.)
Steering|L41021 Рулевая тяга титановая 60 мм (2 шт.)
Steering|L4103 Поворотный кулак (2 шт.)
Steering|L4104 Подшипник 5x10x4 мм (4 шт.)
Wheels|L4201 Колесо в сборе, шина Sand Paw (2 шт.)
Wheels|L4202 Диск колеса, чёрный (2 шт.)
Wheels|L4203 Шестигранник колеса 17 мм (4 шт.)
Wheels|L4204 Гайка колеса M12 (4 шт.)
Electronics|L4301 Регулятор хода 150A
Electronics|L4302 Бесщёточный мотор 2200kV
Electronics|L4303 Сервопривод рулевой 20 кг
Electronics|L4304 Выключатель питания
P

wtxt "$D/LST/Tuning.txt" <<'T'
L31011 Передний нижний рычаг, усиленный (2 шт.)
L40021 Бампер передний, алюминий, тюнинг
L41021 Рулевая тяга титановая 60 мм (2 шт.)
L9001 Набор тюнинговых винтов, титан
T
wtxt "$D/LST/Tools.txt" <<'T'
L9101 Шестигранный ключ 2.0 мм
L9102 Шестигранный ключ 2.5 мм
L9110 Торцевой ключ 7 мм
T

# ================================================================ XRAY
printf '%s\n' "T4R" "XB8E" "NT2" | wtxt "$D/XRAY/catalog.txt"

model XRAY T4R '#c81e2a' touring XRAY <<'P'
Chassis|301001 Шасси алюминиевое 2.2 мм
Chassis|301002 Верхняя дека, углепластик 2.0 мм
Chassis|3010021 Верхняя дека, углепластик 2.2 мм, жёсткая
Chassis|301005 Стойка деки алюминиевая (4 шт.)
Chassis|301010 Крепление батареи
Suspension|301011 Передний рычаг подвески (2 шт.)
Suspension|3010111 Передний рычаг подвески, графит, жёсткий (2 шт.)
Suspension|301012 Задний рычаг подвески (2 шт.)
Suspension|301020 Штифт рычага 3x44 мм (2 шт.)
Suspension|301030 Амортизатор в сборе, алюминий (2 шт.)
Suspension|3010301 Шток амортизатора 3x24 мм (2 шт.)
Suspension|301040 Поворотный кулак алюминиевый (2 шт.)
Suspension|301045 Стабилизатор поперечной устойчивости 1.2 мм
Drivetrain|302001 Дифференциал передний, шестерёнчатый
Drivetrain|3020011 Шестерня сателлита (4 шт.)
Drivetrain|302002 Дифференциал задний, шариковый
Drivetrain|302010 Ремень передний 3x186 мм
Drivetrain|302011 Ремень задний 3x456 мм
Drivetrain|302020 Ведущий шкив 20T
Drivetrain|302030 Главная шестерня 84T, шаг 64
Drivetrain|302040 Кардан CVD (2 шт.)
Wheels|303001 Диск колеса, белый (4 шт.)
Wheels|303002 Шина резиновая 26 мм (4 шт.)
Wheels|303010 Шестигранник колеса 12 мм (4 шт.)
P

view XRAY T4R "Front suspension" <<V
301011|150|322|polygon 60,300 330,280 330,330 60,350
301020|200|369|fill #b0b0b0 rectangle 50,365 350,373
301040|410|215|roundrectangle 380,200 440,320 8,8
303010|500|258|polygon 480,245 500,235 520,245 520,270 500,280 480,270
301030|265|100|rectangle 250,70 280,190
3010301|265|225|fill #b0b0b0 rectangle 261,190 269,250
301045|120|408|fill #b0b0b0 rectangle 60,405 340,411 rectangle 60,395 66,411 rectangle 334,395 340,411
V
view XRAY T4R "Gearbox" <<V
302030|150|170|polygon $(gear_pts 150 250 95 85 36) fill white circle 150,250 150,232
302001|300|240|roundrectangle 280,200 420,280 12,12
3020011|470|140|polygon $(gear_pts 470 140 32 26 12)
302020|470|330|polygon $(gear_pts 470 330 38 32 18)
302010|300|408|fill none stroke-width 5 roundrectangle 240,395 560,421 12,12
302040|340|97|fill #b0b0b0 rectangle 260,90 420,104 circle 260,97 260,85 circle 420,97 420,85
V
views_list XRAY T4R "Front suspension" "Gearbox"

model XRAY XB8E '#2a9d4a' buggy XRAY <<'P'
Chassis|351101 Шасси 1/8, алюминий 7075
Chassis|351102 Распорка передняя
Chassis|3511021 Распорка передняя, углепластик
Chassis|351110 Коробка радиоаппаратуры
Chassis|351120 Крепление аккумулятора
Suspension|352101 Передний нижний рычаг (2 шт.)
Suspension|3521011 Передний нижний рычаг, мягкий (2 шт.)
Suspension|352102 Передний верхний рычаг (2 шт.)
Suspension|352110 Амортизатор большого объёма (2 шт.)
Suspension|352120 Пружина амортизатора 5.2 (2 шт.)
Suspension|352130 Поворотный кулак (2 шт.)
Differentials|354001 Дифференциал передний в сборе
Differentials|3540011 Корпус дифференциала
Differentials|354002 Дифференциал центральный в сборе
Differentials|354003 Дифференциал задний в сборе
Differentials|354010 Масло для дифференциала 10000 cSt
Body|359001 Кузов Lexan, прозрачный
Body|359002 Антикрыло 1/8, белое
Body|359010 Клипсы кузова (10 шт.)
P

model XRAY NT2 '#7b3fb5' touring XRAY <<'P'
Chassis|331001 Шасси алюминиевое NT2
Chassis|331002 Верхняя дека
Chassis|331010 Стойка двигателя (2 шт.)
Engine|338001 Двигатель .12, в сборе
Engine|338010 Свеча накаливания, средняя
Engine|3380101 Свеча накаливания, горячая
Engine|338020 Глушитель тюнингованный
Engine|338021 Коллектор глушителя
Engine|338030 Воздушный фильтр
Clutch|338101 Сцепление в сборе
Clutch|338102 Колокол сцепления 17T
Clutch|3381021 Колокол сцепления 18T
Clutch|338110 Колодки сцепления (3 шт.)
Clutch|338120 Пружина сцепления
Fuel|338201 Топливный бак 75 мл
Fuel|338202 Топливная трубка, силикон, 1 м
Fuel|338210 Крышка бака
P

wtxt "$D/XRAY/Tuning.txt" <<'T'
3010021 Верхняя дека, углепластик 2.2 мм, жёсткая
3010111 Передний рычаг подвески, графит, жёсткий (2 шт.)
3511021 Распорка передняя, углепластик
3380101 Свеча накаливания, горячая
T
wtxt "$D/XRAY/Tools.txt" <<'T'
307001 Ключ шестигранный 1.5 мм
307002 Ключ шестигранный 2.0 мм
3070021 Ключ шестигранный 2.0 мм, сменный наконечник
307010 Подставка для модели
T

# ================================================================ Team Associated
printf '%s\n' "B7.2" "RC8 Pro" | wtxt "$D/Teamassociated/catalog.txt"

model Teamassociated B7.2 '#1a9bb0' buggy "Team Associated" <<'P'
Chassis|AE91001 Шасси алюминиевое B7
Chassis|AE91002 Верхняя дека
Chassis|AE910021 Верхняя дека, облегчённая
Chassis|AE91010 Пластины веса, латунь 10 г (2 шт.)
Suspension|AE91101 Передний рычаг (2 шт.)
Suspension|AE91102 Задний рычаг (2 шт.)
Suspension|AE911021 Задний рычаг, жёсткий (2 шт.)
Suspension|AE91110 Амортизатор передний 12 мм (2 шт.)
Suspension|AE91111 Амортизатор задний 12 мм (2 шт.)
Suspension|AE91120 Ступица задняя (2 шт.)
Transmission|AE92101 Дифференциал шестерёнчатый в сборе
Transmission|AE921011 Корпус дифференциала
Transmission|AE92102 Шестерня сателлита (3 шт.)
Transmission|AE92110 Главная шестерня 78T, шаг 48
Transmission|AE92111 Ведущая шестерня 21T, шаг 48
Transmission|AE92120 Кардан задний (2 шт.)
Transmission|AE92130 Гайка слиппера
Wheels|AE93001 Передние колёса в сборе (2 шт.)
Wheels|AE93002 Задние колёса в сборе (2 шт.)
P

view Teamassociated B7.2 "Differential" <<V
AE92110|110|230|polygon $(gear_pts 110 230 85 76 32) fill white circle 110,230 110,215
AE921011|240|170|roundrectangle 220,150 380,290 14,14
AE92102|300|240|polygon $(gear_pts 300 240 34 28 12)
AE92130|480|120|polygon 465,105 495,105 505,120 495,135 465,135 455,120
AE92101|440|215|fill #f0e0b0 roundrectangle 430,180 570,250 12,12
AE92120|450|370|fill #b0b0b0 rectangle 420,363 580,377 circle 420,370 420,358
V
views_list Teamassociated B7.2 "Differential"

model Teamassociated "RC8 Pro" '#d4a017' buggy "Team Associated" <<'P'
Chassis|AE80001 Шасси RC8, алюминий
Chassis|AE80002 Распорка передняя
Chassis|AE80010 Защита днища передняя
Chassis|AE80020 Крепление сервопривода
Suspension|AE80101 Передний нижний рычаг (2 шт.)
Suspension|AE801011 Передний нижний рычаг, тюнинг (2 шт.)
Suspension|AE80102 Задний нижний рычаг (2 шт.)
Suspension|AE80110 Амортизатор 16 мм передний (2 шт.)
Suspension|AE80111 Амортизатор 16 мм задний (2 шт.)
Suspension|AE80120 Стабилизатор 2.4 мм
Steering|AE80201 Рулевой мост в сборе
Steering|AE80202 Рулевая тяга (2 шт.)
Steering|AE80210 Сервосейвер
Body|AE80301 Кузов RC8, прозрачный
Body|AE80302 Антикрыло, чёрное
Body|AE80310 Шплинты кузова (10 шт.)
P

wtxt "$D/Teamassociated/Tuning.txt" <<'T'
AE910021 Верхняя дека, облегчённая
AE911021 Задний рычаг, жёсткий (2 шт.)
AE801011 Передний нижний рычаг, тюнинг (2 шт.)
T
wtxt "$D/Teamassociated/Tools.txt" <<'T'
AE1500 Набор шестигранных ключей
AE1501 Торцевой ключ 5.5 мм
AE15011 Торцевой ключ 7 мм
T

# ================================================================ Kyosho (folder KYOSHO on purpose)
printf '%s\n' "Inferno MP12" "Mini-Z Sport" | wtxt "$D/KYOSHO/catalog.txt"

model KYOSHO "Inferno MP12" '#e04090' buggy Kyosho <<'P'
Chassis|IF1201 Шасси MP12
Chassis|IF1202 Верхняя дека
Chassis|IF1210 Коробка радиоаппаратуры
Suspension|IF1301 Передний нижний рычаг (2 шт.)
Suspension|IF13011 Передний нижний рычаг, жёсткий (2 шт.)
Suspension|IF1302 Задний нижний рычаг (2 шт.)
Suspension|IF1310 Амортизатор Big Bore (2 шт.)
Suspension|IF1320 Поворотный кулак (2 шт.)
Двигатель|KE2101 Двигатель KE21, в сборе
Двигатель|KE2110 Свеча накаливания №3
Двигатель|KE2120 Глушитель
Двигатель|KE2130 Топливный бак 125 мл
Transmission|IF1401 Дифференциал передний
Transmission|IF1402 Дифференциал центральный
Transmission|IF1403 Дифференциал задний
Transmission|IF1410 Колокол сцепления 13T
Transmission|IF1420 Кардан (2 шт.)
P

model KYOSHO "Mini-Z Sport" '#3a3a9a' touring Kyosho <<'P'
Chassis|MZ401 Шасси Mini-Z
Chassis|MZ402 Бампер передний
Chassis|MZ403 Крепление мотора
Chassis|MZ4031 Крепление мотора, алюминий
Chassis|MZ410 Пружина задней подвески (2 шт.)
Chassis|MZ420 Ось передняя (2 шт.)
Колёса|MZW01 Диск колеса передний (2 шт.)
Колёса|MZW02 Диск колеса задний (2 шт.)
Колёса|MZW10 Шина 20 shore (4 шт.)
Колёса|MZW101 Шина 30 shore (4 шт.)
Electronics|MZE01 Плата приёмника
Electronics|MZE02 Мотор 130 класса
Electronics|MZE03 Шестерня мотора 8T
Electronics|MZE04 Главная шестерня 53T
Electronics|MZE10 Отсек батарей
P

wtxt "$D/KYOSHO/Options.txt" <<'T'
IF13011 Передний нижний рычаг, жёсткий (2 шт.)
MZ4031 Крепление мотора, алюминий
MZW101 Шина 30 shore (4 шт.)
T
wtxt "$D/KYOSHO/Tools.txt" <<'T'
K3610 Ключ крестовой
K3611 Отвёртка шлицевая
T

# ================================================================ part photos
photo "$D/IMG/L3110.jpg"      shock '#e0731a' L3110
photo "$D/IMG/L3230.jpg"      gear  '#1f5fbf' L3230
photo "$D/IMG/L3101.jpg"      arm   '#404040' L3101
photo "$D/IMG/L4201.jpg"      wheel '#e0731a' L4201
photo "$D/IMG/L4302.jpg"      motor '#1f5fbf' L4302
photo "$D/IMG/AE92101.jpg"    gear  '#d0d0d0' AE92101
photo "$D/IMG/AE92110.jpg"    gear  '#1a9bb0' AE92110
photo "$D/IMG/AE91110.jpg"    shock '#1a9bb0' AE91110
photo "$D/IMG/AE91101.jpg"    arm   '#303030' AE91101
photo "$D/IMG/AE80301.jpg"    body  '#d4a017' AE80301
photo "$D/IMG/xra301011.jpg"  arm   '#505050' 301011
photo "$D/IMG/xra3010111.jpg" arm   '#2a2a2a' 3010111
photo "$D/IMG/xra301030.jpg"  shock '#c81e2a' 301030
photo "$D/IMG/xra302030.jpg"  gear  '#f0f0f0' 302030
photo "$D/IMG/xra302001.jpg"  gear  '#c81e2a' 302001
photo "$D/IMG/xra303001.jpg"  wheel '#f0f0f0' 303001
photo "$D/IMG/xra352110.jpg"  shock '#2a9d4a' 352110
photo "$D/IMG/xra338102.jpg"  gear  '#7b3fb5' 338102

echo "demo catalog written to $D"
