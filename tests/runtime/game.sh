#!/usr/bin/env bash
# game.sh GAME TRACE PATTERN: the game played with nobody steering loses its
# three lives, at the frame and with the hits barrage-trace counts.
set -e
read -r _ frames _ lives _ hits _ grazes < <("$1" "$3" --frames 5000)
[ "$lives" = 0 ] || { echo "FAIL: lives $lives after $frames frames"; exit 1; }
ship=$("$2" "$frames" "$frames" --pattern "$3" | grep '^ship')
[ "${ship#ship * * }" = "$hits $grazes" ] || { echo "FAIL: the game says $hits hits, $grazes grazes; barrage-trace: $ship"; exit 1; }
echo ok
