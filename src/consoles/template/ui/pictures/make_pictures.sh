#!/usr/bin/env bash
# Draws the four network-help pictures: a schematic console page of each provider with the
# field that holds the wanted ID framed in red. Re-run after changing a picture's text.
set -euo pipefail
cd "$(dirname "$0")"
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# picture FILE BRAND "NAV1|NAV2|NAV3" SELECTED HEADING "COL1|COL2|COL3" "ROW1A|ROW1B|ROW1C;..." CALLOUT
picture() {
  local file=$1 brand=$2 nav=$3 selected=$4 heading=$5 cols=$6 rows=$7 callout=$8
  local args=(-size 800x376 xc:'#f2f3f5' -font "$FONT")
  # top bar and side navigation
  args+=(-fill '#263445' -draw 'rectangle 0,0 800,40')
  args+=(-fill white -pointsize 16 -annotate +16+27 "$brand  控制台")
  args+=(-fill '#ffffff' -draw 'rectangle 0,40 150,376')
  local y=72 i=0
  IFS='|' read -ra navs <<<"$nav"
  for item in "${navs[@]}"; do
    if [ "$i" -eq "$selected" ]; then
      args+=(-fill '#e6f0ff' -draw "rectangle 0,$((y - 20)) 150,$((y + 10))")
      args+=(-fill '#1e6fd9' -draw "rectangle 0,$((y - 20)) 3,$((y + 10))")
      args+=(-fill '#1e6fd9')
    else
      args+=(-fill '#333333')
    fi
    args+=(-pointsize 14 -annotate +18+"$y" "$item")
    y=$((y + 36)); i=$((i + 1))
  done
  # page heading and the list
  args+=(-fill '#222222' -pointsize 18 -annotate +172+76 "$heading")
  args+=(-fill white -draw 'rectangle 170,96 784,356')
  args+=(-fill '#fafafa' -draw 'rectangle 170,96 784,128')
  local x colw=150
  IFS='|' read -ra heads <<<"$cols"
  x=182
  for h in "${heads[@]}"; do
    args+=(-fill '#666666' -pointsize 13 -annotate +"$x"+117 "$h")
    if [ "$x" -eq 182 ]; then x=$((x + 270)); else x=$((x + colw)); fi
  done
  local ry=160 r=0
  IFS=';' read -ra lines <<<"$rows"
  for line in "${lines[@]}"; do
    IFS='|' read -ra cells <<<"$line"
    x=182
    for c in "${cells[@]}"; do
      if [ "$x" -eq 182 ]; then
        args+=(-fill '#1e6fd9' -pointsize 13 -annotate +"$x"+"$ry" "$c")
        x=$((x + 270))
      else
        args+=(-fill '#333333' -pointsize 13 -annotate +"$x"+"$ry" "$c")
        x=$((x + colw))
      fi
    done
    args+=(-fill '#eeeeee' -draw "rectangle 170,$((ry + 14)) 784,$((ry + 15))")
    ry=$((ry + 44)); r=$((r + 1))
  done
  # the field to copy, framed, with a callout
  args+=(-fill none -stroke '#e02020' -strokewidth 3
         -draw 'roundrectangle 176,140 446,170 6,6' -strokewidth 1 -stroke none)
  args+=(-fill '#e02020' -draw 'polygon 446,155 470,146 470,164'
         -draw 'rectangle 470,140 784,170' -fill white -pointsize 14 -annotate +480+161 "$callout")
  convert "${args[@]}" -strip "PNG24:$file"
}

picture aliyun_a.png "阿里云" "专有网络VPC|交换机|安全组|路由表" 2 \
  "安全组（与创建机器的可用区域同一区域）" "安全组ID/名称|所属专有网络|类型" \
  "sg-2zef6m1k3qx8wb7ta0nd|vpc-2ze9r4t1mxa|普通安全组;sg-2ze0d7ub5hc2vj9kq3ly|vpc-2ze9r4t1mxa|普通安全组;sg-2zeh4p8w6n1cy5rz2tgm|vpc-2zeb7q3e0ku|企业安全组" \
  "复制此ID填入“安全组ID”"
picture aliyun_b.png "阿里云" "专有网络VPC|交换机|安全组|路由表" 1 \
  "交换机（可用区须与创建机器的可用区域一致）" "交换机ID/名称|可用区|网段" \
  "vsw-2zeq5w8c1ma7tk3xv9bnd|北京 可用区H|172.16.0.0/24;vsw-2ze1u6j4rf0hy8pd2es7k|北京 可用区G|172.16.1.0/24;vsw-2zex3n9b7gt5qw1lc4mzu|北京 可用区K|172.16.2.0/24" \
  "复制此ID填入“交换机ID”"
picture huawei_a.png "华为云" "虚拟私有云|子网|安全组|弹性公网IP" 0 \
  "虚拟私有云（与创建机器的可用区域同一区域）" "虚拟私有云ID/名称|IPv4网段|子网个数" \
  "3f1c9a2e-7b44-4d0e-9c61-5a8e2b7d0f13|192.168.0.0/16|2;8a6d0e41-2c9f-4b17-a3e5-0d7f91c64b28|10.0.0.0/8|1;c52e7f90-1ad3-4e68-b0f4-97a3d6e1c5b2|172.16.0.0/12|3" \
  "复制此ID填入“VPC ID”"
picture huawei_b.png "华为云" "虚拟私有云|子网|安全组|弹性公网IP" 1 \
  "子网（可用区须与创建机器的可用区域一致）" "子网ID/名称|所属VPC|可用区" \
  "6e2b8d47-1f03-4a9c-b5e2-c8d0f7a41936|vpc-default|可用区1;d91f3c05-8e6a-4b27-9d4f-2a7c5e0b8f61|vpc-default|可用区2;0a7e4c29-b6d1-4f83-a05c-e3f92d1b7c84|vpc-test|可用区3" \
  "复制此ID填入“子网ID”"
